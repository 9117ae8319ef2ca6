#include "platform/entry.h"

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
    return utf8Main(args);
}
