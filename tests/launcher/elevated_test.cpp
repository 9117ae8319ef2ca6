#include <gtest/gtest.h>

#include <map>

#include "launcher/elevated.h"
#include "platform/env.h"
#include "tests/support/testutil.h"

using namespace qrltest;
using qrl::Family;

namespace {

// Every place administrators' alone, except the ones a case changes.
class FakeRights : public qrl::RightsSource {
public:
    std::map<std::string, platform::ObjectRights> answers;
    mutable std::vector<std::string> asked;
    platform::ObjectRights rightsOf(const std::string& path) const override {
        asked.push_back(path);
        auto it = answers.find(path);
        if (it != answers.end()) return it->second;
        platform::ObjectRights r;
        r.known = r.trustedOwner = true;
        return r;
    }
};

const std::string kProps = "C:\\Program Files\\Acme\\Quarlan\\Acme.properties";
const std::string kJava = "C:\\Program Files\\Java\\jdk\\bin\\javaw.exe";
const std::string kHome = "C:\\Program Files\\Java\\jdk";

std::string verdict(const FakeRights& rights) {
    return qrl::untrustedPlace(rights, kProps, kJava, kHome, Family::Windows);
}

platform::ObjectRights rights(bool owner, bool replace, bool write, bool link = false) {
    platform::ObjectRights r;
    r.known = true;
    r.trustedOwner = owner;
    r.othersMayReplace = replace;
    r.othersMayWrite = write;
    r.isLink = link;
    return r;
}

}  // namespace

TEST(ElevatedLauncherTest, AdministratorsOnlyInstallationIsTrustedWholeChainAsked) {
    FakeRights all;
    // A drive root and Program Files where users may add folders of their own.
    all.answers["C:\\"] = rights(true, false, true);
    all.answers["C:\\Program Files"] = rights(true, false, true);
    EXPECT_EQ(verdict(all), "");
    for (const std::string& place : {kProps, std::string("C:\\Program Files\\Acme\\Quarlan"),
                                     std::string("C:\\Program Files\\Acme"), kJava,
                                     std::string("C:\\Program Files\\Java\\jdk\\bin"), kHome,
                                     std::string("C:\\Program Files\\Java"), std::string("C:\\")})
        EXPECT_NE(std::find(all.asked.begin(), all.asked.end(), place), all.asked.end()) << place;
}

TEST(ElevatedLauncherTest, AnyPlaceOthersMayChangeIsRefusedAndNamed) {
    struct Case {
        std::string path;
        platform::ObjectRights answer;
        std::string why;
    };
    const std::string changed = " can be changed by users who are not administrators";
    platform::ObjectRights unreadable;
    unreadable.why = platform::Result::failure(5);
    std::vector<Case> cases{
        {kProps, rights(true, false, true), changed},
        {"C:\\Program Files\\Acme\\Quarlan", rights(false, false, false), changed},
        {"C:\\Program Files\\Acme", rights(true, false, true), changed},
        {kJava, rights(true, true, false), changed},
        {"C:\\Program Files\\Java\\jdk\\bin", rights(true, false, true), changed},
        {kHome, rights(true, false, false, true), " is a link"},
        // Above the installation: whoever may replace what a folder holds.
        {"C:\\Program Files\\Java", rights(true, true, false), changed},
        {"C:\\", rights(false, false, false), changed},
        {"C:\\Program Files\\Acme\\Quarlan", unreadable, " cannot be checked"},
    };
    for (const Case& c : cases) {
        FakeRights one;
        one.answers[c.path] = c.answer;
        std::string why = verdict(one);
        EXPECT_EQ(why.rfind(c.path + c.why, 0), 0u) << c.path << ": " << why;
    }
}

TEST(ElevatedLauncherTest, JvmOptionsOfTheEnvironmentAreRemoved) {
    EnvGuard a("JAVA_TOOL_OPTIONS", "-javaagent:C:\\Users\\Public\\a.jar");
    EnvGuard b("JDK_JAVA_OPTIONS", "-Dx=1");
    EnvGuard c("_JAVA_OPTIONS", "-Dy=2");
    qrl::clearJvmOptionVariables();
    for (const char* name : {"JAVA_TOOL_OPTIONS", "JDK_JAVA_OPTIONS", "_JAVA_OPTIONS"})
        EXPECT_FALSE(platform::getEnv(name).has_value()) << name;
}
