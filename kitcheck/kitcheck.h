// The kit checker: what the installer would misread or miss in a kit's
// control file and files, and what a launcher would misread in its
// properties file. It reads them with the programs' own parsers (the key
// tables of ControlFile and LauncherProperties), so it cannot disagree with
// them; every finding names its line and a fix.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/family.h"
#include "installer/controlfile.h"

namespace qrl {

struct Finding {
    std::string file;     // as the user named it
    size_t line = 0;      // from 1; 0 for the file as a whole
    std::string problem;  // what the program would do
    std::string fix;      // what to write instead
};

// The lines of a control file as the family's installer reads them. The
// effective settings (defaults applied) go to `effective` when given.
std::vector<Finding> checkControlText(std::string_view text, Family family, ControlSettings* effective = nullptr);

// Keys whose meaning depends on the family: a kit's JVM archive or vendor
// installer that the family's installer never runs because the type key it
// also needs is missing. Findings for the file as a whole.
std::vector<Finding> checkFamilyOnlyKeys(const ControlSettings& settings, Family family);

// The lines of a launcher properties file as the launchers read them.
std::vector<Finding> checkPropertiesText(std::string_view text);

// A whole kit directory: its control file, the files that control file and
// the family need, and every launcher properties file in a "Quarlan"
// directory below it.
std::vector<Finding> checkKit(const std::string& dir, Family family);
// The properties file at `path`.
std::vector<Finding> checkPropertiesFile(const std::string& path);

// The family of the system kitcheck runs on, whose paths it joins.
Family thisSystemFamily();

// The family of the kit's installer: Windows when the kit holds
// "installer.exe" or "cleanup.exe", macOS when it holds "macsetup", else
// POSIX.
Family guessKitFamily(const std::string& dir);

// A launcher properties file that the launchers read back as the given
// key/value pairs (backslashes doubled, UTF-8). False with `error` set when a
// key is not one of theirs or a value holds a line end.
bool launcherPropertiesText(const std::vector<std::pair<std::string, std::string>>& values, std::string& text,
                            std::string& error);

// The key among `known` that `word` most likely meant (same letters ignoring
// case, or a few letters off); empty when none is close.
std::string_view nearestKey(std::string_view word, const std::vector<std::string_view>& known);

}  // namespace qrl
