// The JVM search of the Windows family: the JVMs registered under
// "SOFTWARE\JavaSoft" of HKEY_LOCAL_MACHINE.
//
// The three product keys ("Java Runtime Environment", "Java Development Kit",
// "Java Plug-in") are searched in that order, each from its greatest version
// down; a version subkey gives the version (its name, with "." and its
// "MicroVersion" when it has one) and the home directory ("JavaHome", else
// "Home"), in which JvmTester must find a working executable that meets the
// criteria. When those keys give nothing, the keys that JDKs since Java 9
// write ("JDK" and "JRE", whose subkeys are full versions), then the other
// view of the registry (the 64-bit one for a 32-bit program, the 32-bit one
// for a 64-bit program: a JVM is a process of its own, so either kind serves
// either program), and finally JAVA_HOME are tried, the greatest acceptable
// version first. A search for the plug-in alone reads its key in this
// program's own view, then in the other one.
//
// Tests point the search elsewhere through the registry service (registry.h).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/family.h"
#include "common/logfiles.h"
#include "common/logs.h"
#include "jvm/jvmobserver.h"
#include "jvm/jvmok.h"
#include "platform/registry.h"

namespace qrl {

inline constexpr const char* kJreKey = "SOFTWARE\\JavaSoft\\Java Runtime Environment";
inline constexpr const char* kJdkKey = "SOFTWARE\\JavaSoft\\Java Development Kit";
inline constexpr const char* kPluginKey = "SOFTWARE\\JavaSoft\\Java Plug-in";
inline constexpr const char* kModernJdkKey = "SOFTWARE\\JavaSoft\\JDK";
inline constexpr const char* kModernJreKey = "SOFTWARE\\JavaSoft\\JRE";

class JvmWin {
public:
    explicit JvmWin(Logs logs);

    // Whether the other view of the registry is read too once this
    // program's own view gave nothing (it is unless turned off here).
    void setReadOtherView(bool on) { readOtherView_ = on; }
    // Reads the registry as a 32-bit program does, whatever this one's width:
    // the 32-bit view first, then the 64-bit one.
    void readAs32BitProgram() {
        ownView_ = platform::RegView::Bits32;
        readOtherView_ = true;
    }
    // Tells `observer` each registry entry tried and each verdict.
    void setObserver(JvmObserver* observer) { observer_ = observer; }

    // The search for a program named `exeName` ("jre", "javaw.exe"); nothing
    // when no registered JVM will do.
    std::optional<FoundJvm> searchWindowsForJvm(const JvmCriteria& criteria, std::string_view jvmName,
                                                std::string_view exeName);
    // The version subkeys of a product key, ascending (numerically, so that
    // 1.10 comes after 1.9); empty when the key cannot be opened.
    std::vector<std::string> getAvailableVersions(std::string_view productKey,
                                                  platform::RegView view = platform::RegView::Own);
    // The searches beyond the three product keys.
    std::optional<FoundJvm> searchExtensions(const JvmCriteria& criteria, std::string_view exeName);

private:
    platform::RegView viewOf(platform::RegView view) const {
        return view == platform::RegView::Own ? ownView_ : view;
    }
    // "HKLM\<key>" (or the key tests use in its place), and which view.
    std::string keyName(std::string_view key, platform::RegView view) const;

    using Found = std::optional<FoundJvm>;
    // The test of the program in a registered home, against the criteria and
    // the version the registry (or the home's "release" file) gives.
    Found testHome(const JvmCriteria& criteria, const std::string& home, std::string_view exeName,
                   std::string knownVersion) const;
    Found searchRegistryForJvm(std::string_view productKey, const JvmCriteria& criteria, std::string_view exeName,
                               platform::RegView view = platform::RegView::Own);
    Found findMostRecentJvm(const std::vector<std::string>& sorted, std::string_view productKey,
                            const JvmCriteria& criteria, std::string_view exeName, platform::RegView view);
    // One version subkey: its version (the name, with ".<MicroVersion>")
    // and its home directory, in which the program must pass the test.
    Found lookUpRegistryEntryForJvm(std::string_view productKey, const JvmCriteria& criteria, std::string version,
                                    std::string_view exeName, platform::RegView view);

    Logs logs_;
    bool readOtherView_ = true;
    platform::RegView ownView_ = platform::ownRegView();
    JvmObserver* observer_ = nullptr;
};

// Ascending order of registry version names for the search: numeric, names
// that compare equal in byte order.
bool registryVersionLess(const std::string& a, const std::string& b);

// The processor a Windows program is built for: the Machine field of the PE
// header that `image`, the program's first bytes, holds (0x14c i386, 0x8664
// x86_64, 0xaa64 arm64); nothing when they are not the start of a PE image.
std::optional<std::uint16_t> peMachine(std::string_view image);

// The view of HKEY_LOCAL_MACHINE\SOFTWARE in which a JVM built for `machine`
// is registered, as its vendor's installer does: the 32-bit view for i386,
// the 64-bit view for x86_64 and arm64; nothing for another processor.
std::optional<platform::RegView> registryViewOfMachine(std::uint16_t machine);

// The same for the program at `path`, read from its PE header; nothing when
// the file cannot be read or is not such a program.
std::optional<platform::RegView> registryViewOfProgram(const std::string& path);

}  // namespace qrl
