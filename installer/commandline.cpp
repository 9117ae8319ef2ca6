#include "installer/commandline.h"


namespace qrl {

CommandLine parsePosixCommandLine(const std::vector<std::string>& args) {
    CommandLine cl;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        // The argument after the switch is the details file whatever it holds
        // (a path like /srv/answers-quick.properties included); of the program
        // path only the file name counts, not the directories it lies in.
        bool takesDetails = i > 0 && cl.quiet && cl.details.empty();
        std::string_view tested = i == 0 ? std::string_view(arg).substr(arg.rfind('/') + 1) : std::string_view(arg);
        if (!takesDetails && tested.find("-q") != std::string_view::npos) {
            cl.quiet = true;
            continue;
        }
        if (takesDetails) cl.details = detailsArgument(args, i);
    }
    return cl;
}

std::string detailsArgument(const std::vector<std::string>& args, size_t& i) {
    const std::string& arg = args[i];
    size_t quote = arg.find('"');
    if (quote == std::string::npos) return arg;
    std::string text = arg.substr(quote + 1);
    size_t close = text.find('"');
    if (close != std::string::npos) return text.substr(0, close);
    while (++i < args.size()) {
        size_t end = args[i].find('"');
        text += " " + args[i].substr(0, end);
        if (end != std::string::npos) break;
    }
    if (i >= args.size()) i = args.size() - 1;
    return text;
}

}  // namespace qrl
