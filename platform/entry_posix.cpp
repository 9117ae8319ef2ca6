#include "platform/entry.h"

#include "platform/locale.h"

namespace {
std::vector<std::string>* gArgs = nullptr;
}

namespace platform {

std::string rawCommandLine() {
    std::string line;
    if (!gArgs) return line;
    for (size_t i = 0; i < gArgs->size(); ++i) {
        if (i > 0) line += ' ';
        line += (*gArgs)[i];
    }
    return line;
}

}  // namespace platform

int main(int argc, char** argv) {
    std::vector<std::string> args(argv, argv + argc);
    gArgs = &args;
    // A JVM started under an unset locale cannot read a folder name with
    // letters beyond ASCII ("Could not find or load main class").
    platform::giveChildrenUtf8CharacterType();
    return utf8Main(args);
}
