#include "launcher/useroptions.h"

#include <array>

#include "platform/fs.h"

namespace qrl {
namespace {

std::string_view trimmed(std::string_view s) {
    constexpr std::string_view blanks = " \t\r\f\v";
    size_t start = s.find_first_not_of(blanks);
    if (start == std::string_view::npos) return {};
    return s.substr(start, s.find_last_not_of(blanks) - start + 1);
}

bool choosesApplication(std::string_view token) {
    return token == "-jar" || token == "-m" || token == "--module" || token.starts_with("--module=");
}

}  // namespace

bool takesSeparateValue(std::string_view option) {
    // The options of the JDK's java launcher whose value is the next argument
    // (the "--name=value" forms are one argument).
    static constexpr std::array<std::string_view, 15> withValue{
        "-cp",         "-classpath",      "--class-path",  "-p",           "--module-path",
        "--upgrade-module-path", "--add-modules", "--limit-modules", "--add-reads", "--add-exports",
        "--add-opens", "--patch-module",  "--enable-native-access", "--source", "--describe-module"};
    for (std::string_view o : withValue)
        if (o == option) return true;
    return option == "-d";
}

size_t applicationStart(const std::vector<std::string>& tokens) {
    size_t i = 0;
    while (i < tokens.size()) {
        const std::string& t = tokens[i];
        if (t.empty() || t[0] != '-' || choosesApplication(t)) return i;
        i += takesSeparateValue(t) ? 2 : 1;
    }
    return tokens.size();
}

UserOptions parseUserOptions(std::string_view text) {
    UserOptions out;
    size_t at = 0;
    while (at <= text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = trimmed(text.substr(at, end - at));
        at = end + 1;
        if (line.empty() || line[0] == '#') continue;
        size_t blank = line.find_first_of(" \t");
        std::string_view option = line.substr(0, blank);
        if (line[0] != '-' || line == "-") {
            out.ignored.push_back(std::string(line) + ": not an option");
        } else if (choosesApplication(option)) {
            out.ignored.push_back(std::string(line) + ": chooses the application to run");
        } else if (takesSeparateValue(option)) {
            std::string_view value = blank == std::string_view::npos ? std::string_view() : trimmed(line.substr(blank));
            if (value.empty()) {
                out.ignored.push_back(std::string(line) + ": its value is missing");
            } else {
                out.options.emplace_back(option);
                out.options.emplace_back(value);
            }
        } else {
            out.options.emplace_back(line);
        }
    }
    return out;
}

std::string userOptionsFile(std::string_view programName) {
    std::string base = platform::userSettingsDir();
    // The name becomes one folder below the user's settings: never a path.
    if (base.empty() || programName.empty() || programName == "." || programName == ".." ||
        programName.find_first_of("/\\:") != std::string_view::npos)
        return {};
    return platform::pathIn(platform::pathIn(base, programName), "jvm.options");
}

}  // namespace qrl
