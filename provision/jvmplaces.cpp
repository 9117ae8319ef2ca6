#include "provision/jvmplaces.h"

#include "common/files.h"
#include "common/text.h"
#include "platform/env.h"
#include "platform/folders.h"
#include "platform/registry.h"

namespace qrl {
namespace {

// A non-empty string value of HKEY_LOCAL_MACHINE.
std::optional<std::string> machineValue(const char* key, const char* name) {
    auto v = platform::regString(platform::RegRoot::LocalMachine, key, name);
    if (v && !v->empty()) return v;
    return std::nullopt;
}

}  // namespace

WindowsFolders WindowsFolders::fromEnvironment() {
    WindowsFolders f;
    f.programFiles = platform::testSetting("QUARLAN_PROGRAM_FILES");
    f.userPrograms = platform::testSetting("QUARLAN_USER_PROGRAMS");
    return f;
}

std::optional<std::string> WindowsFolders::programFilesDir(const Logs& logs) const {
    if (programFiles) return programFiles->empty() ? std::nullopt : programFiles;
    const char* win = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
    const char* nt = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
    bool opened = platform::regKeyExists(platform::RegRoot::LocalMachine, win, platform::RegView::Own);
    const char* key = opened ? win : nt;
    if (!opened) opened = platform::regKeyExists(platform::RegRoot::LocalMachine, nt, platform::RegView::Own);
    if (opened) {
        if (auto v = machineValue(key, "ProgramFilesDir")) return v;
    } else if (isDir("C:\\Program Files")) {
        return "C:\\Program Files";
    }
    logs.trace("Unable to find Program Files directory in registry");
    return std::nullopt;
}

std::optional<std::string> WindowsFolders::userProgramsDir(const Logs& logs) const {
    if (userPrograms) return userPrograms->empty() ? std::nullopt : userPrograms;
    // The user's own folders: never the public documents every user of the
    // machine may write to.
    for (auto folder : {platform::UserFolder::Programs, platform::UserFolder::Documents}) {
        if (auto v = platform::userFolder(folder)) {
            logs.trace("user folder for the jvm", *v);
            return v;
        }
    }
    return std::nullopt;
}

JvmPlaces JvmPlaces::defaults(Family family) { return searching(SearchPlaces::defaults(family)); }

JvmPlaces JvmPlaces::searching(SearchPlaces search) {
    return {std::move(search), installDirCandidates(), WindowsFolders::fromEnvironment()};
}

std::vector<std::string> installDirCandidates() {
    std::vector<std::string> dirs{"/usr/local/bin", "/usr/local", "/usr/share", "/usr/bin", "/usr", "/opt", "/bin"};
    if (auto value = platform::getEnv("QUARLAN_INSTALL_DIRS")) dirs = splitList(*value, ':');
    return dirs;
}

}  // namespace qrl
