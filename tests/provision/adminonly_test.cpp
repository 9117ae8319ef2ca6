// Whether a JVM folder is the administrators' alone, judged on answers the
// test gives: the folder itself and every folder above it.
#include <gtest/gtest.h>

#include <map>

#include "common/trust.h"
#include "provision/adminonly.h"

namespace {

class Answers : public qrl::RightsSource {
public:
    std::map<std::string, platform::ObjectRights> changed;
    platform::ObjectRights rightsOf(const std::string& path) const override {
        if (auto it = changed.find(path); it != changed.end()) return it->second;
        platform::ObjectRights r;
        r.known = r.trustedOwner = true;
        return r;
    }
};

platform::ObjectRights answer(bool known, bool owner, bool replace, bool write, bool link = false) {
    platform::ObjectRights r;
    r.known = known;
    r.trustedOwner = owner;
    r.othersMayReplace = replace;
    r.othersMayWrite = write;
    r.isLink = link;
    return r;
}

}  // namespace

TEST(AdminOnlyFolderTest, TheFolderWholeAndEveryFolderAboveItAgainstReplacing) {
    const std::string jvm = "C:\\Program Files\\Acme\\jvm";
    struct Row {
        std::string place;
        platform::ObjectRights rights;
        bool adminOnly;
    } rows[] = {
        {"", {}, true},  // every answer the administrators'
        {jvm, answer(true, true, false, true), false},       // others may write into it
        {jvm, answer(true, false, false, false), false},     // another owner
        {jvm, answer(true, true, true, false), false},       // others may replace it
        {jvm, answer(false, false, false, false), false},    // cannot be read
        {jvm, answer(true, true, false, false, true), false},  // a link
        // Above it only replacing counts: users may add folders to C:\.
        {"C:\\", answer(true, true, false, true), true},
        {"C:\\Program Files\\Acme", answer(true, true, false, true), true},
        {"C:\\Program Files\\Acme", answer(true, true, true, false), false},
        {"C:\\Program Files", answer(true, false, false, false), false},
        {"C:\\", answer(true, true, false, false, true), false},
        {"C:\\", answer(false, false, false, false), false},
    };
    for (const auto& row : rows) {
        Answers rights;
        if (!row.place.empty()) rights.changed[row.place] = row.rights;
        EXPECT_EQ(qrl::adminOnlyFolder(jvm, {}, &rights), row.adminOnly) << row.place;
    }
}

TEST(AdminOnlyFolderTest, WhatThisRunMadeForTheAdministratorsIsTheirs) {
    Answers nobodys;
    for (const char* place : {"C:\\Apps\\jvm", "c:\\apps\\JVM", "C:\\Apps\\jvm2"})
        nobodys.changed[place] = answer(true, false, true, true);
    const std::vector<std::string> made{"C:\\Apps\\jvm"};
    EXPECT_TRUE(qrl::adminOnlyFolder("C:\\Apps\\jvm", made, &nobodys));
    EXPECT_TRUE(qrl::adminOnlyFolder("c:\\apps\\JVM", made, &nobodys));
    EXPECT_FALSE(qrl::adminOnlyFolder("C:\\Apps\\jvm2", made, &nobodys));
    EXPECT_FALSE(qrl::adminOnlyFolder("C:\\Apps\\jvm", {}, &nobodys));
}
