// A JVM from the kit's self-extracting archive (Windows installer): the
// archive runs in the directory JvmInstaller chose and unpacks itself there;
// the launcher is looked for in the result, and a JVM that passes the final
// version test is registered in the registry (JvmRegistry) and its launchers
// copied to the Windows directory, unless the kit asks for no registry
// changes ("configureWinRegistry=no"), the JVM lives in the working
// directory ("[$AppDir]"), which is removed after the run, or its folder is
// not the administrators' alone (adminOnlyFolder).
//
// The archive is started directly, never through the command interpreter:
// its path reaches the system as one argument whatever it holds. An archive
// that cannot be started, reports failure or leaves no working JVM leaves
// nothing behind: no registration, no launcher copies, and none of the
// directories this run created.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "common/logs.h"
#include "provision/installjvm.h"
#include "provision/jvminstaller.h"
#include "provision/jvmregistry.h"

namespace qrl {

// The "configureWinRegistry" setting: the first line of "qrl.control" (else
// of "native.properties") that begins with it; "true" or "yes" (any case)
// means true, another value false. No file, or no such line: true.
bool configureWinRegSetting(const Logs& logs);

class ExtractJvm {
public:
    using StatusFn = std::function<void(std::string_view)>;
    explicit ExtractJvm(Logs logs, StatusFn showStatus = nullptr,
                        WindowsFolders folders = WindowsFolders::fromEnvironment());

    bool configureWinReg();

    // Provides the JVM; on success `jvmCommand` is the accepted launcher and
    // request.jvmCommandName the launcher's file name.
    bool extractJvm(JvmRequest& request, std::string& jvmCommand, std::string_view homeDirectory);
    // True when the last extractJvm put a new JVM in place; false when it
    // reused one it found where the new one would have gone (discovered).
    bool installed() const { return installed_; }
    bool discovered() const { return discovered_; }

    bool installCompressedJvm(JvmRequest& request, std::string& jvmCommand, std::string_view homeDirectory,
                              std::string& jvmDirectory);
    // The archive's path in the working directory (the name after the last
    // "/" of the setting); its short form when the path holds blanks. False
    // when the file is missing.
    bool getJvmInstallerCommand(std::string_view archive, std::string& command, std::string_view workingDirectory);
    // Finds the launcher (dir\name, dir\bin\name, and for a name beginning
    // with "jre" the windowed or console "java" launcher there) and, when
    // `registry` is set, registers the JVM. jvmCommandName becomes the
    // launcher's file name.
    bool configureJvm(std::string_view jvmVersion, std::string_view jvmName, std::string& jvmCommandName,
                      std::string_view jvmDirectory, std::string_view homeDirectory, bool registry);
    // Registration as the setting allows; never fails the installation.
    bool configureWinJvm(std::string_view jvmVersion, std::string_view jvmName, std::string_view launcher,
                         std::string_view launcherPath);
    bool registerJvm(std::string_view jvmVersion, std::string_view jvmName, std::string_view launcher,
                          std::string_view launcherPath);
    bool configureJre(std::string_view version, std::string_view micro, std::string_view home,
                      std::string_view launcher);
    bool configureJava2(std::string_view version, std::string_view micro, std::string_view home,
                        std::string_view launcher);
    // The launcher pair (and msvcrt.dll) copied to the home directory when the
    // registered JVM is the current one.
    bool copyJreFilesToHome(std::string_view version, std::string_view home, std::string_view launcher);
    bool copyJvmFile(std::string_view from, std::string_view to);

    JvmRegistry& registry() { return registry_; }

private:
    Logs logs_;
    StatusFn showStatus_;
    WindowsFolders folders_;
    std::string workingDir_;
    std::string homeDirectory_;
    JvmRegistry registry_;
    std::vector<std::string> created_;
    std::vector<std::string> adminOnly_;
    bool installed_ = false;
    bool discovered_ = false;
    // What registration waits for: the final version test.
    bool registerAfterTest_ = false;
    std::string launcher_;
    std::string launcherPath_;
};

}  // namespace qrl
