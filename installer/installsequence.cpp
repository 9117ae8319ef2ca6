// The macOS installer's ways to a JVM: the kit's archive and a vendor's
// installer in the POSIX directory candidates.
#include "common/files.h"
#include "common/text.h"
#include "installer/install.h"
#include "installer/macsteps.h"
#include "provision/jvmprovisioner.h"

namespace qrl {

bool Install::extractJvmInPosixDirs() {
    ControlSettings& s = settings_;
    JvmRequest request = requestOf(s);
    JvmProvisioner provisioner(family_, logs_, [this](std::string_view text) { status_.showStatus(text); },
                               JvmPlaces::searching(places_));
    std::string command;
    bool ok = provisioner.expandKitArchive(request, command, homeDirectory_);
    s.jvmCommandName = request.jvmCommandName;
    if (!useProvidedJvm(ok, command)) return false;
    logJvmLocation(provisioner.installed(), s.predefinedJvmInstallDir, false);
    if (provisioner.installed()) addSecurity(stricmp(s.jvmName, "Java Plug-in") == 0);
    return true;
}

bool Install::runVendorInstallerInPosixDirs() {
    ControlSettings& s = settings_;
    JvmRequest request = requestOf(s);
    request.jvmSelfExtractor.clear();
    request.predefinedJvmInstallDir.clear();
    request.jvmHomeDir.clear();
    JvmProvisioner provisioner(family_, logs_, [this](std::string_view text) { status_.showStatus(text); },
                               JvmPlaces::searching(places_));
    std::string command;
    bool ok = provisioner.runVendorInstaller(request, s.jvmInstallerBinary, s.jvmInstallerCommand, command,
                                             homeDirectory_);
    s.jvmCommandName = request.jvmCommandName;
    if (!useProvidedJvm(ok, command)) return false;
    s.predefinedJvmInstallDir.clear();
    logJvmLocation(false, "", false);
    return true;
}

}  // namespace qrl
