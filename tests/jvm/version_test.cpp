#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/files.h"
#include "common/text.h"
#include "jvm/jvmok.h"
#include "jvm/version.h"
#include "tests/support/testutil.h"

using namespace qrltest;
using qrl::compareJavaVersions;
using qrl::compareWithBound;
using qrl::JvmCriteria;

namespace {

int sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

struct Case {
    const char* required;
    const char* minimum;
    const char* maximum;
    const char* found;
    bool accepted;
};

class VerifyTest : public ::testing::Test {
protected:
    TempDir dir;
    CwdGuard cwd{dir.path()};

    bool verify(const Case& c) {
        return qrl::versionVerdict(JvmCriteria{c.required, c.minimum, c.maximum}, c.found) == qrl::JvmReason::Accepted;
    }
    template <size_t N>
    void expectVerdicts(const Case (&cases)[N]) {
        for (const auto& c : cases)
            EXPECT_EQ(verify(c), c.accepted) << "req " << c.required << " min " << c.minimum << " max " << c.maximum
                                             << " found " << c.found;
    }
};

// The comparison as plain text cut to the bound's length, the way versions
// were compared before numbers: the reference for versions whose components
// are all single digits.
int textCompare(const std::string& found, const std::string& bound) {
    std::string cut = found.size() > bound.size() ? found.substr(0, bound.size()) : found;
    return sign(qrl::compareIgnoreCase(cut, bound));
}

bool legacy(const std::string& v) { return v.size() >= 3 && v[0] == '1' && v[1] == '.'; }

}  // namespace

TEST_F(VerifyTest, JavaVersionSchemesCompareAsReleases) {
    const Case cases[] = {
        {"", "11", "", "9.0.4", false},
        {"", "11", "", "11.0.2", true},
        {"", "11", "", "17.0.15+6", true},
        {"", "", "1.8", "1.8.0_392", true},
        {"", "", "1.8", "9", false},
        {"", "", "1.8", "11.0.2", false},
        {"", "1.8.0_77", "", "1.8.0_101", true},
        {"", "1.8.0_101", "", "1.8.0_77", false},
        {"17", "", "", "17.0.15", true},
        {"17", "", "", "1.7.0_80", false},
        {"", "8", "", "1.8.0_392", true},
        {"", "1.10", "", "1.9.0_4", false},
        {"", "1.9", "", "1.10.2", true},
        {"", "9", "", "9", true},
        {"", "9.0.0", "", "9", true},  // a JVM reports 9, not 9.0.0
        {"", "17", "21", "21.0.3", true},
        {"", "17", "21", "22", false},
        {"", "17", "", "17-ea", true},  // the prefix rule: 17 admits every 17.x
        {"", "17.0", "", "17-ea", false},
        {"", "", "", "anything", true},
        {"1.8", "", "", "8.0.392", true},
        {"", "1.4.2_5", "", "1.4.2_05", true},
        {"", "", "1.4.2_05", "1.4.2_5", true},
        {"", "1.8.0_392", "", "1.8.0_99999999999999999999", true},
        // A leading zero is no digit of the number: 08 lies below 9, as the
        // text cut to the bound has it too.
        {"", "1.8.0_9", "", "1.8.0_08", false},
        {"", "", "1.8.0_9", "1.8.0_08", true},
        {"", "1.8.0_08", "", "1.8.0_10", true},
    };
    expectVerdicts(cases);
}

TEST_F(VerifyTest, SingleDigitAnswersOfThePrefixRuleStay) {
    const Case cases[] = {
        {"1.4", "", "", "1.4", true},
        {"1.4", "", "", "1.4.2", true},
        {"1.4", "", "", "1.4.2_05", true},
        {"1.4", "", "", "1.3.1", false},
        {"1.4.2", "", "", "1.4", false},
        {"", "1.4", "1.5", "1.5.0_06", true},
        {"", "1.4", "1.5", "1.6.0", false},
        {"", "1.4", "1.5", "1.3.1", false},
        {"", "1.3", "1.4", "1.4.2", true},
        {"", "", "1.5", "", true},  // empty minimum, a maximum: the empty version passes
        {"1.4", "", "", "", false},
        {"", "1.4", "", "", false},
        {"", "1", "", "1.4.2", true},  // a lone 1 names every 1.x
        {"1", "", "", "1.4.2", true},
        {"", "", "1", "1.4.2", true},
    };
    expectVerdicts(cases);
}

// Every version of one to three single-digit components (digits 0, 1, 2, 5
// and 9) against every bound written in the same scheme: the numeric answer is
// the textual one wherever the found version has at least the bound's
// components.
TEST(VersionTest, SingleDigitVersionsAnswerAsTextDid) {
    std::vector<std::string> versions;
    const char digits[] = {'0', '1', '2', '5', '9'};
    for (char a : digits) {
        versions.push_back(std::string(1, a));
        for (char b : digits) {
            versions.push_back(std::string{a, '.', b});
            for (char c : digits) versions.push_back(std::string{a, '.', b, '.', c});
        }
    }
    int compared = 0;
    for (const auto& found : versions) {
        for (const auto& bound : versions) {
            bool sameScheme = legacy(found) == legacy(bound) || bound == "1";
            if (!sameScheme || found.size() < bound.size()) continue;
            ++compared;
            ASSERT_EQ(sign(compareWithBound(found, bound)), textCompare(found, bound))
                << "found " << found << " bound " << bound;
            if (found.size() == bound.size()) {
                ASSERT_EQ(sign(compareJavaVersions(found, bound)), sign(qrl::compareIgnoreCase(found, bound)))
                    << found << " <> " << bound;
            }
        }
    }
    EXPECT_GT(compared, 10000);
}

TEST(VersionTest, TextComponentsSortBelowNumbersAndIgnoreCase) {
    EXPECT_LT(compareJavaVersions("17-ea", "17"), 0);
    EXPECT_EQ(compareJavaVersions("17", "17.0.0"), 0);
    EXPECT_LT(compareJavaVersions("17", "17.0.1"), 0);
    EXPECT_EQ(compareJavaVersions("17-EA", "17-ea"), 0);
    EXPECT_LT(compareJavaVersions("1.4.2-beta", "1.4.2"), 0);
    EXPECT_LT(compareJavaVersions("21-beta", "21-ea"), 0);
    EXPECT_LT(compareJavaVersions("9-internal", "9.0.1"), 0);
    EXPECT_GT(compareJavaVersions("1.10", "1.9"), 0);
    EXPECT_EQ(compareJavaVersions("1.8.0_392", "8.0.392"), 0);
    EXPECT_EQ(compareJavaVersions("1.8", "8"), 0);
    EXPECT_GT(compareJavaVersions("11.0.2+9", "11.0.2"), 0);
    EXPECT_EQ(compareJavaVersions("", "0"), 0);
    EXPECT_GT(compareJavaVersions("1.8.0_100000000000000000000000", "1.8.0_99999999999999999999999"), 0);
}

// Sorting the registry's keys relies on a strict weak order: no cycles, and
// equivalence is transitive, whatever odd versions a machine holds.
TEST(VersionTest, TotalOrderIsAStrictWeakOrder) {
    std::vector<std::string> versions{"",          "0",        "0.5",      "1",        "1.0",       "1.0.5",
                                      "1.1",       "1.3.1",    "1.4",      "1.4.2_05", "1.8",       "1.8.0_392",
                                      "1.8.0_392-b08", "5",    "8",        "8.0.0",    "9-ea",      "9",
                                      "10",        "17-ea",    "17",       "17.0.15+6", "21-beta",  "EA",
                                      "ea",        "abc",      "1.abc",    "x1",       "01.08",     "1..8",
                                      "25.0.3",    "99999999999999999999"};
    auto less = [](const std::string& a, const std::string& b) { return compareJavaVersions(a, b) < 0; };
    for (const auto& a : versions) {
        EXPECT_EQ(compareJavaVersions(a, a), 0) << a;
        for (const auto& b : versions) {
            EXPECT_EQ(sign(compareJavaVersions(a, b)), -sign(compareJavaVersions(b, a))) << a << " " << b;
            for (const auto& c : versions) {
                if (less(a, b) && less(b, c)) {
                    EXPECT_TRUE(less(a, c)) << a << " < " << b << " < " << c;
                }
                bool eqAB = !less(a, b) && !less(b, a);
                bool eqBC = !less(b, c) && !less(c, b);
                if (eqAB && eqBC) {
                    EXPECT_FALSE(less(a, c) || less(c, a)) << a << " ~ " << b << " ~ " << c;
                }
            }
        }
    }
    std::sort(versions.begin(), versions.end(), less);
    EXPECT_TRUE(std::is_sorted(versions.begin(), versions.end(), less));
}
