// The loop behind copyStream, with its buffers from a given source, so that
// a shortage of memory can be shown to cost buffers and not the copy.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <memory>

namespace qrl {

// One buffer of `size` bytes per call, or none.
using BufferSource = std::function<std::unique_ptr<char[]>(std::size_t size)>;

bool copyStreamWith(std::FILE* in, std::FILE* out, const BufferSource& allocate);

}  // namespace qrl
