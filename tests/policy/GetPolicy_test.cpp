#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "TestEnv.h"
#include "lifecycle/Globals.h"
#include "pwdpolicy.h"

using testenv::ConfigFile;

namespace {

const char kFallbackText[] = "~!#$%^&*()-_=+\\|[{}]:,<.>?";
constexpr int kUntouched = -12345;

struct Answer {
    unsigned int code;
    std::vector<int> limits;  // all six slots of the caller's array
    std::string special;
};

Answer Query(int policyId, int size) {
    std::vector<int> limits(6, kUntouched);
    const char* special = "unset";
    const unsigned int code = PPC_GetPolicy(policyId, limits.data(), size, &special);
    return {code, limits, special};
}

std::vector<int> Filled(std::vector<int> five) {
    five.push_back(kUntouched);
    return five;
}

const std::vector<int> kUntouchedArray(6, kUntouched);

}  // namespace

TEST(GetPolicy, AbsentPolicyReportsFallbackValuesWithoutInitialising) {
    EXPECT_EQ(strlen(kFallbackText), 26u);
    testenv::ClearLog();
    struct Case {
        int id;
        int size;
        std::vector<int> limits;
    } cases[] = {
        {0, 5, Filled({8, 15, 3, 6, 2})},  {7, 5, Filled({8, 32, 3, 6, 2})},
        {-1, 5, Filled({8, 32, 3, 6, 2})}, {INT_MIN, 5, Filled({8, 32, 3, 6, 2})},
        {0, 4, kUntouchedArray},           {0, 6, kUntouchedArray},
        {3, 0, kUntouchedArray},           {3, -5, kUntouchedArray},
    };
    for (const Case& c : cases) {
        const Answer answer = Query(c.id, c.size);
        EXPECT_EQ(answer.code, PPC_ERR_NO_POLICY) << c.id << "/" << c.size;
        EXPECT_EQ(answer.limits, c.limits) << c.id << "/" << c.size;
        EXPECT_EQ(answer.special, kFallbackText);
    }
    EXPECT_EQ(ppcInitFlag, 0);
    EXPECT_EQ(testenv::LogEntries(), std::vector<std::string>{});
}

TEST(GetPolicy, ReportsLoadedPoliciesBeforeAndAfterReloadAndFinalize) {
    ConfigFile config;
    config.Write(
        "[POLICY0]\nminlen=9\nmaxlen=18\nminclass=4\nallowminlen=7\nallowminclass=1\n"
        "specialchar=!spacespace#\n"
        "[POLICY-2]\nminlen=3\n");
    ASSERT_EQ(PPC_Initialize(nullptr, 0, 0), PPC_OK);
    Answer zero = Query(0, 5);
    EXPECT_EQ(zero.code, PPC_OK);
    EXPECT_EQ(zero.limits, Filled({9, 18, 4, 7, 1}));
    EXPECT_EQ(zero.special, "! space#");
    for (int size : {4, 6}) {
        const Answer answer = Query(0, size);
        EXPECT_EQ(answer.code, PPC_OK);
        EXPECT_EQ(answer.limits, kUntouchedArray);
        EXPECT_EQ(answer.special, "! space#");
    }
    EXPECT_EQ(Query(-2, 5).limits, Filled({3, 18, 4, 7, 1}));
    EXPECT_EQ(Query(-3, 5).code, PPC_ERR_NO_POLICY);

    config.Write("[POLICY0]\nmaxlen=30\n");
    ASSERT_EQ(InitData(), 0);
    EXPECT_EQ(Query(0, 5).limits, Filled({9, 30, 4, 7, 1}));

    ASSERT_EQ(PPC_Finalize(), PPC_OK);
    config.Remove();
    zero = Query(0, 5);
    EXPECT_EQ(zero.code, PPC_OK);
    EXPECT_EQ(zero.limits, Filled({9, 30, 4, 7, 1}));
}

TEST(GetPolicy, SpecialTextStaysUnchangedAcrossReloads) {
    ConfigFile config;
    const std::string longSet = "~!#$%^&*()-_=+|[{}]:,<.>?";
    config.Write("[POLICY0]\nspecialchar=!#\n[POLICY1]\nspecialchar=" + longSet + "\n");
    ASSERT_EQ(PPC_Initialize(nullptr, 0, 0), PPC_OK);
    int limits[5];
    const char* shortBefore = nullptr;
    const char* longBefore = nullptr;
    ASSERT_EQ(PPC_GetPolicy(0, limits, 5, &shortBefore), PPC_OK);
    ASSERT_EQ(PPC_GetPolicy(1, limits, 5, &longBefore), PPC_OK);

    // A short text lives inside the record's string, a long one on the heap:
    // neither may change or go away under a host that still holds it.
    config.Write("[POLICY0]\nspecialchar=$%\n[POLICY1]\nspecialchar=" + longSet + "@@\n");
    ASSERT_EQ(InitData(), 0);
    EXPECT_STREQ(shortBefore, "!#");
    EXPECT_STREQ(longBefore, longSet.c_str());
    const char* shortAfter = nullptr;
    const char* longAfter = nullptr;
    ASSERT_EQ(PPC_GetPolicy(0, limits, 5, &shortAfter), PPC_OK);
    ASSERT_EQ(PPC_GetPolicy(1, limits, 5, &longAfter), PPC_OK);
    EXPECT_STREQ(shortAfter, "$%");
    EXPECT_EQ(std::string(longAfter), longSet + "@@");

    // Going back to an earlier set hands out the text kept from before.
    config.Write("[POLICY0]\nspecialchar=!#\n");
    ASSERT_EQ(InitData(), 0);
    const char* shortAgain = nullptr;
    ASSERT_EQ(PPC_GetPolicy(0, limits, 5, &shortAgain), PPC_OK);
    EXPECT_EQ(shortAgain, shortBefore);
}
