// Stand-in JVMs for the tests: shell scripts (POSIX) that print a chosen
// banner on standard error and answer the probe, and copies of the fakejava
// helper (every system).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "jvm/jvmok.h"

namespace qrltest {

struct StandIn {
    std::string stderrText;   // what "-version" (or any start but the probe) prints on standard error
    std::string probeAnswer;  // first line the probe writes into jvmGood.txt; none when empty
    std::string startLog;     // file that records every start ("<path> <args>") and the probe's CLASSPATH
};

// A shell script at `path` behaving as `s` says; its directories are created.
void makeScriptJvm(const std::string& path, const StandIn& s);

// A script JVM of one version at home/bin/java: banner
// openjdk version "<version>" 2025-04-15, the probe answering the version.
void makeJvm(const std::string& home, const std::string& version, const std::string& startLog);

// A copy of the fakejava helper at `path` reporting `version`.
void copyFakeJava(const std::string& path, const std::string& version);

// Creates a directory and its parents.
void makeDirs(const std::string& path);

// The trace lines of a file without their time stamps.
std::vector<std::string> traceTails(const std::string& file);

// Whether one of `lines` is exactly `text`.
bool contains(const std::vector<std::string>& lines, const std::string& text);

// The lines of a start log (one per start).
std::vector<std::string> starts(const std::string& startLog);

// Whether a search accepted a JVM; if so `name` and `exe` are set to it.
bool took(const std::optional<qrl::FoundJvm>& found, std::string& name, std::string& exe);

// The test of one home as a search runs it (traces to "jinstall.log"):
// whether it was accepted; `name` becomes the name it answered to (the
// caller's when refused), `exe` the program accepted.
bool testHome(qrl::Family family, const qrl::JvmCriteria& criteria, const std::string& home, std::string& name,
              std::string& exe, std::optional<std::string> knownVersion = std::nullopt);

}  // namespace qrltest
