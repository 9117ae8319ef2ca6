#include "platform/cmdline.h"

namespace platform {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::string quoteWindowsArg(std::string_view arg) {
    if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string_view::npos)
        return std::string(arg);
    std::string out = "\"";
    size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            out.append(backslashes * 2 + 1, '\\');
        } else {
            out.append(backslashes, '\\');
        }
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\');
    out += '"';
    return out;
}

std::string buildWindowsCommandLine(const std::vector<std::string>& argv) {
    std::string line;
    for (size_t i = 0; i < argv.size(); ++i) {
        if (i > 0) {
            line += ' ';
            line += quoteWindowsArg(argv[i]);
        } else if (argv[i].empty() || argv[i].find_first_of(" \t") != std::string::npos) {
            line += '"' + argv[i] + '"';
        } else {
            line += argv[i];
        }
    }
    return line;
}

std::string_view firstWindowsToken(std::string_view line, std::string_view* rest) {
    size_t i = 0;
    std::string_view token;
    if (!line.empty() && line[0] == '"') {
        size_t close = line.find('"', 1);
        if (close == std::string_view::npos) {
            token = line.substr(1);
            i = line.size();
        } else {
            token = line.substr(1, close - 1);
            i = close + 1;
        }
    } else {
        while (i < line.size() && !isBlank(line[i])) ++i;
        token = line.substr(0, i);
    }
    while (i < line.size() && isBlank(line[i])) ++i;
    if (rest) *rest = line.substr(i);
    return token;
}

std::vector<std::string> splitWindowsCommandLine(std::string_view line) {
    std::string_view rest;
    std::vector<std::string> args{std::string(firstWindowsToken(line, &rest))};
    for (auto& arg : splitWindowsArguments(rest)) args.push_back(std::move(arg));
    return args;
}

std::vector<std::string> splitWindowsArguments(std::string_view rest) {
    std::vector<std::string> args;
    size_t i = 0;
    while (i < rest.size()) {
        while (i < rest.size() && isBlank(rest[i])) ++i;
        if (i >= rest.size()) break;
        std::string arg;
        bool quoted = false;
        while (i < rest.size() && (quoted || !isBlank(rest[i]))) {
            size_t backslashes = 0;
            while (i < rest.size() && rest[i] == '\\') {
                ++backslashes;
                ++i;
            }
            if (i < rest.size() && rest[i] == '"') {
                arg.append(backslashes / 2, '\\');
                if (backslashes % 2 == 1) {
                    arg += '"';
                } else if (quoted && i + 1 < rest.size() && rest[i + 1] == '"') {
                    // "" inside quotes stands for one quote.
                    arg += '"';
                    ++i;
                } else {
                    quoted = !quoted;
                }
                ++i;
            } else {
                arg.append(backslashes, '\\');
                if (i < rest.size() && (quoted || !isBlank(rest[i]))) {
                    arg += rest[i];
                    ++i;
                }
            }
        }
        args.push_back(std::move(arg));
    }
    return args;
}

}  // namespace platform
