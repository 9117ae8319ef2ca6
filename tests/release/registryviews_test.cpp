// installer.exe as it ships, against the real JavaSoft keys of both registry
// views (Windows only, run under wine in a throwaway prefix): whatever its
// width, it finds a JVM registered in either view and starts the wizard
// with it. The 32-bit build runs the 32-bit installer, the 64-bit build its
// twin.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "common/files.h"
#include "platform/env.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "tests/support/testutil.h"

using namespace qrltest;

namespace {

namespace fs = std::filesystem;
using platform::RegRoot;
using platform::RegView;

// A directory of the Linux build tree as wine sees it.
std::string winPath(std::string unixPath) {
    for (char& c : unixPath)
        if (c == '/') c = '\\';
    return "Z:" + unixPath;
}

TEST(InstallerRegistryViews, FindsAJvmRegisteredInEitherView) {
    auto demoKit = platform::getEnv("QRL_DEMO_KIT");
    if (!onWindows() || platform::getEnv("QUARLAN_FRESH_REGISTRY").value_or("") != "1" || !demoKit)
        GTEST_SKIP() << "the machine's own registry: run in a throwaway wine prefix (wine-run.sh --fresh), "
                        "QRL_DEMO_KIT naming the native build's demo kit";
    EnvGuard root{"QUARLAN_REGISTRY_ROOT", nullptr};
    EnvGuard javaHome{"JAVA_HOME", nullptr};
    EnvGuard wizard{"FAKEJAVA_WIZARD", "ok"};
    const std::string key = "SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.8.0_392";
    for (RegView view : {RegView::Bits32, RegView::Bits64}) {
        SCOPED_TRACE(view == RegView::Bits32 ? "a JVM in the 32-bit view" : "a JVM in the 64-bit view");
        TempDir base;
        std::string record = base.file("wizard-args.txt");
        EnvGuard recordEnv{"FAKEJAVA_RECORD", record.c_str()};
        for (RegView v : {RegView::Bits32, RegView::Bits64})
            ASSERT_TRUE(platform::regDeleteTree(RegRoot::LocalMachine, "SOFTWARE\\JavaSoft", v));

        std::string home = base.file("jre8");
        fs::create_directories(fs::u8path(home + "\\bin"));
        for (const char* exe : {"java.exe", "javaw.exe"})
            ASSERT_TRUE(qrl::copyFile(helperPath("fakejava"), home + "\\bin\\" + exe));
        writeFile(home + "\\bin\\fakejava.version", "1.8.0_392\n");
        ASSERT_TRUE(platform::regSetString(RegRoot::LocalMachine, key, "JavaHome", home, view));

        std::string kit = base.file("kit"), start = base.file("start");
        fs::create_directories(fs::u8path(kit));
        fs::create_directories(fs::u8path(start));
        for (const char* p : {"installer", "cleanup"})
            ASSERT_TRUE(qrl::copyFile(helperPath(p), kit + "\\" + p + ".exe"));
        for (const char* f : {"install.jar", "qrl.control", "TestJvm.class"})
            ASSERT_TRUE(qrl::copyFile(winPath(*demoKit) + "\\" + f, kit + "\\" + f));
        writeFile(kit + "\\startdir.txt", start + "\n");
        std::string details = base.file("answers.properties");
        writeFile(details, "installDir=C:\\\\App\n");

        platform::SpawnResult r;
        {
            CwdGuard cwd(kit);
            r = platform::spawn(kit + "\\installer.exe", {"installer.exe", "-q", details});
        }
        EXPECT_TRUE(r.started);
        EXPECT_EQ(r.exitCode, 0) << readFile(start + "\\errors.log");
        auto args = readArgvDump(record);
        ASSERT_GE(args.size(), 2u);  // the wizard ran
        EXPECT_EQ(args.back(), details);
        // The kit's clean-up is done before its directory goes.
        for (int i = 0; i < 300 && exists(kit + "\\installer.exe"); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

}  // namespace
