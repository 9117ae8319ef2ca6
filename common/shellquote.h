// Quoting for POSIX shell command lines.
#pragma once

#include <string>
#include <string_view>

namespace qrl {

// The word unchanged when it holds only characters the shell takes literally
// (letters, digits and _ . / + , : @ % = -); otherwise in single quotes, each
// single quote written as '\''. The empty word becomes ''.
std::string shellQuote(std::string_view word);

}  // namespace qrl
