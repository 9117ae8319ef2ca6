#include "common/workdirs.h"

#include "common/execcmd.h"

#include <cstdio>
#include <string>

#include "common/files.h"
#include "common/paths.h"
#include "platform/fs.h"
#include "platform/safefile.h"

namespace qrl {

void noteWorkDir(std::string_view workingDir, std::string_view dir) {
    std::string note = platform::pathIn(workingDir, kWorkDirsNote);
    std::FILE* f = platform::openForWrite(note, platform::WriteMode::Append);
    if (!f) return;
    std::string line = std::string(dir) + "\n";
    std::fwrite(line.data(), 1, line.size(), f);
    std::fclose(f);
}

void removeNotedWorkFiles(std::string_view workingDir, Family family) {
    std::string note = platform::pathIn(workingDir, kWorkDirsNote);
    std::string text;
    if (platform::isLink(note) || !readTextFile(note, text)) {
        // Work files are tidied as far as they can be: a leftover is harmless and
        // the next run that claims the directory removes it.
        (void)platform::removeFile(note);
        return;
    }
    splitLines(text, static_cast<size_t>(-1), [&](std::string& dir) {
        if (dir.empty()) return true;
        for (const char* name : {rulesFor(family).launchFile, kWaitSemaphore, kArchiveOutput}) {
            std::string file = joinPath(dir, name, family);
            if (platform::isLink(file) || platform::typeOf(file) == platform::FileType::File)
                (void)platform::removeFile(file);
        }
        return true;
    });
    (void)platform::removeFile(note);
}

}  // namespace qrl
