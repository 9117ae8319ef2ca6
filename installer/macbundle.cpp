#include "installer/macbundle.h"

#include "platform/fs.h"

namespace qrl {

MacPlaces macPlaces(std::string_view programDir) {
    std::string dir(programDir);
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    MacPlaces same{dir, dir};
    constexpr std::string_view kTail = "/Contents/MacOS";
    if (dir.size() <= kTail.size() || dir.compare(dir.size() - kTail.size(), kTail.size(), kTail) != 0) return same;
    std::string bundle = dir.substr(0, dir.size() - kTail.size());
    size_t slash = bundle.rfind('/');
    std::string bundleName = slash == std::string::npos ? bundle : bundle.substr(slash + 1);
    if (bundleName.size() <= 4 || bundleName.compare(bundleName.size() - 4, 4, ".app") != 0) return same;
    std::string resources = bundle + "/Contents/Resources";
    if (platform::typeOf(resources) != platform::FileType::Directory) return same;
    std::string holder = slash == std::string::npos ? "." : (slash == 0 ? "/" : bundle.substr(0, slash));
    return {resources, holder};
}

}  // namespace qrl
