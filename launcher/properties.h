// The launcher's properties file: found beside the launcher as
// <program dir>/Quarlan/<launcher base name>.properties, read line by line
// (backslash escapes, keys matched as prefixes, values taken whole), and the
// repair step that replaces a Java executable that has gone by the same
// program in another suitable JVM.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/family.h"
#include "common/kept.h"
#include "common/logfiles.h"
#include "common/logs.h"
#include "jvm/jvmok.h"

namespace qrl {


// Capacities of the values, in characters: longer values are cut to fit.
inline constexpr size_t kPropNameCapacity = 4999;     // programName, execFilename
inline constexpr size_t kPropArgsCapacity = 9999;     // args, startDir
inline constexpr size_t kPropVersionCapacity = 5000;  // the three JVM versions
// A line longer than this is cut there; the rest of it is never read as a
// line of its own.
inline constexpr size_t kPropLineLimit = kept::kLauncherLineLimit;

// What a search of the machine for a JVM that meets the criteria answers: the
// full path of its Java executable, or none and, when a JVM was refused for
// its version alone, one sentence for the user naming the nearest miss.
struct JvmSearchAnswer {
    std::string exePath;
    std::string nearestMiss;
};
using JvmFinder = std::function<JvmSearchAnswer(const JvmCriteria& criteria)>;

// The values the file gives, as the launcher uses them.
struct LaunchSettings {
    std::string programName;
    std::string executable;
    std::string arguments;
    std::string workingDir;  // preloaded with the default, the program directory
    JvmCriteria criteria;
    std::string noJvmReason;  // the nearest miss, when the recorded JVM has gone and none would do
    std::string userJvmOptions;  // "true": the user's own JVM options file is read

    // Whether the properties allow the user's options file ("true", in any
    // case, blanks around it ignored).
    bool allowsUserOptions() const;
};

class LauncherProperties {
public:
    LauncherProperties(Family family, Logs logs, JvmFinder finder = {});

    // The whole job: file name from the launcher path, then the file.
    bool getParameters(std::string_view programPath, LaunchSettings& settings);
    // Derives the program directory and stores the properties file name.
    bool getPropertiesFilename(std::string_view programPath, std::string& programDir);
    // Reads the stored file into the settings; the working directory keeps
    // what the caller put there unless the file has a startDir line.
    bool parseParameters(LaunchSettings& settings);
    // The repair step: looks for a JVM meeting the criteria and takes the
    // executable's file name (javaw.exe, java) from that JVM's directory.
    // The recorded JVM has gone: its program in another JVM that meets the
    // criteria, when the search finds one. Answers the search's nearest miss
    // when it finds none.
    std::string getGoodJre(std::string& executable, const JvmCriteria& criteria);

    const std::string& getPropertyFilename() const { return propertiesFile_; }
    void setPropertyFilename(std::string_view name) { propertiesFile_ = name; }

    // One line of the file applied to the settings (after cutting at CR/LF).
    void parseLine(std::string_view line, LaunchSettings& settings) const;
    // The lines of a file's text exactly as the launcher reads them: CR LF
    // read as a line feed, cut at the line limit (the rest of a longer line
    // skipped, which `cut` tells), 8-bit text taken as ISO 8859-1.
    static void eachLine(std::string_view text, const std::function<void(std::string& line, bool cut)>& each);
    // Every line of a file's text applied to the settings.
    void parseText(std::string_view text, LaunchSettings& settings) const;

    // Every backslash removed, the character after it taken literally.
    static std::string unescape(std::string_view line);
    // What unescape reads back as `text`: every backslash doubled. A line
    // feed or carriage return cannot be written (it ends the line).
    static std::string escape(std::string_view text);

    // The keys, in the order an unescaped line is tested against them.
    static const std::vector<std::string_view>& keys();
    // The key an unescaped line sets (the first key it begins with), empty
    // when it sets none.
    static std::string_view keyOfLine(std::string_view unescapedLine);
    static std::string trimTrailingSpace(std::string_view s);

private:
    Family family_;
    Logs logs_;
    JvmFinder finder_;
    std::string propertiesFile_;
    std::string programDir_;
};

}  // namespace qrl
