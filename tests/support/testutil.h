// Helpers shared by the tests: private temporary directories, the current
// directory restored after a test, small file utilities and the paths of the
// helper programs built beside the test program.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/family.h"
#include "common/logs.h"

namespace qrltest {

// The family whose rules the file system under test follows.
qrl::Family nativeFamily();
bool onWindows();

// "errors.log" and the trace in the current directory, as a program that
// starts its run here resolves them.
inline qrl::Logs logsHere(std::string_view trace = qrl::kTraceLog) {
    return qrl::Logs::inCurrentDir(trace);
}

// A fresh directory below the system's temporary directory, removed with
// everything in it when the object goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const;  // path + separator + name

private:
    std::string path_;
};

// Changes into a directory for the lifetime of the object.
class CwdGuard {
public:
    explicit CwdGuard(const std::string& dir);
    ~CwdGuard();
    CwdGuard(const CwdGuard&) = delete;
    CwdGuard& operator=(const CwdGuard&) = delete;

private:
    std::filesystem::path saved_;
};

// Sets (or with nullopt removes) an environment variable for the lifetime of
// the object.
class EnvGuard {
public:
    EnvGuard(std::string name, const char* value);
    ~EnvGuard();
    EnvGuard(const EnvGuard&) = delete;
    EnvGuard& operator=(const EnvGuard&) = delete;

private:
    std::string name_;
    bool had_ = false;
    std::string old_;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& content);
std::vector<std::string> readLines(const std::string& path);
bool exists(const std::string& path);

// A helper program built beside the test program ("argvdump" gives
// .../argvdump or ...\argvdump.exe).
std::string helperPath(const std::string& name);

// What the argvdump helper recorded: the arguments after its own name.
std::vector<std::string> readArgvDump(const std::string& file);

// Whether this system says so when a program cannot be started at all. Under
// qemu-user (the arm64 tests) a missing program is reported as started and
// then exiting 127, as a shell would: tests of that report skip there.
bool spawnReportsMissingPrograms();

// The same folder as wine's Z: drive shows it (the whole Unix tree, so that
// C:\x is also Z:\...\drive_c\x, named through no link); empty outside wine.
std::string wineUnixView(const std::string& path);

}  // namespace qrltest
