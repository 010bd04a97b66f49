// Verdicts of PPC_IsMatchPolicy. Policies are placed in the store directly
// and the component marked initialised, so no configuration file is read.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "TestEnv.h"
#include "lifecycle/Globals.h"
#include "pwdpolicy.h"

namespace {

void UsePolicies() {
    auto& policies = policyCfgObj.policyMap;
    // minlen, maxlen, minclass, allowminlen, allowminclass, specialchar
    policies[1] = {8, 16, 3, 0, 0, "!#"};
    policies[2] = {8, 16, 3, 0, 0, "! "};
    policies[3] = {8, 16, 3, 0, 0, ""};
    policies[4] = {8, 16, 3, 0, 0, "\xc3\xa9"};
    policies[5] = {1, 16, 5, 0, 0, "!"};
    policies[6] = {1, 16, 0, 0, 0, ""};
    policies[7] = {1, 16, -1, 0, 0, ""};
    policies[8] = {0, 16, 1, 0, 0, ""};
    policies[9] = {0, -1, 0, 0, 0, ""};
    policies[10] = {0, 0, 0, 0, 0, ""};
    policies[11] = {-5, 16, 0, 0, 0, ""};
    policies[12] = {1, -1, 2, 0, 0, ""};
    policies[13] = {1, 16, 2, 0, 0, ""};
    policies[INT_MIN] = {1, 16, 1, 0, 0, ""};
    __atomic_store_n(&ppcInitFlag, 1, __ATOMIC_RELEASE);
}

}  // namespace

TEST(MatchPolicy, VerdictsAndTheirPrecedence) {
    UsePolicies();
    const std::string lower21(21, 'a');
    struct Case {
        int policy;
        std::string pwd;
        unsigned int ind;
        unsigned int verdict;
    } cases[] = {
        // Policy 1: 8..16 bytes, 3 classes, specials "!#".
        {1, "Abcdef1!", 0, PPC_MATCH},
        {1, "Ab1!x", 0, PPC_TOO_SHORT},
        {1, "abcdefgh", 0, PPC_TOO_FEW_CLASSES},
        {1, "Abcdefgh1!Abcdefg", 0, PPC_TOO_LONG},
        {1, "Abcdefgh1!abcdef", 0, PPC_MATCH},  // exactly maxlen
        {1, lower21, 0, PPC_TOO_FEW_CLASSES},    // too long and too few classes: 3
        {1, "ABCDEFGHIJKLMNOPQ", 1, PPC_TOO_FEW_CLASSES},
        {1, "Abcdef12", 0, PPC_MATCH},
        // Special characters checked against the set.
        {1, "Abcd 1ef", 1, PPC_BAD_SPECIAL_CHAR},
        {1, "Abcd 1ef", 0, PPC_MATCH},
        {2, "Abcd 1ef", 1, PPC_MATCH},
        {1, "Abcdef1?", 1, PPC_BAD_SPECIAL_CHAR},  // classes reached before the last byte
        {1, "abcdefg?", 1, PPC_BAD_SPECIAL_CHAR},  // 4 before 3
        {1, "Abcdefgh1!Abcdefg?", 1, PPC_BAD_SPECIAL_CHAR},  // 4 before 2
        {1, "A b", 1, PPC_TOO_SHORT},  // 1 before 4
        {1, "A b", 0, PPC_TOO_SHORT},
        {3, "Abcdef1!", 1, PPC_BAD_SPECIAL_CHAR},  // empty set
        {3, "Abcdefg1", 1, PPC_MATCH},
        // Bytes that are not ASCII letters or digits are special (policy 13
        // wants two classes).
        {13, "abcdefgh", 0, PPC_TOO_FEW_CLASSES},
        {13, "abcdefg\x80", 0, PPC_MATCH},
        {13, "abcdefg\xff", 0, PPC_MATCH},
        {13, "abcdefg\x01", 0, PPC_MATCH},
        {13, "abcdefg\x7f", 0, PPC_MATCH},
        {13, "abcdefg\t", 0, PPC_MATCH},
        {13, "abcdefgh\xc3\xa9", 0, PPC_MATCH},
        {13, "ABC@[`{", 0, PPC_MATCH},  // the neighbours of the letter ranges
        {13, "09/:", 0, PPC_MATCH},
        {1, "abcdefgh\x80", 1, PPC_BAD_SPECIAL_CHAR},
        {4, "Abcdef\xc3\xa9" "1", 1, PPC_MATCH},
        {4, "Abcdef\xc3\xa8" "1", 1, PPC_BAD_SPECIAL_CHAR},
        // Class counts out of the 1..4 range.
        {5, "Abcdef1!", 0, PPC_TOO_FEW_CLASSES},
        {5, "Abcdef1!", 1, PPC_TOO_FEW_CLASSES},
        {6, "a", 0, PPC_MATCH},
        {7, "a", 0, PPC_MATCH},
        // The empty password gets no scan and a class count of 0.
        {8, "", 0, PPC_TOO_FEW_CLASSES},
        {9, "", 0, PPC_TOO_LONG},
        {10, "", 0, PPC_MATCH},
        {11, "", 1, PPC_MATCH},
        {1, "", 0, PPC_TOO_SHORT},
        {12, "a1", 0, PPC_TOO_LONG},
        {12, "aa", 0, PPC_TOO_FEW_CLASSES},
        {INT_MIN, "x", 0, PPC_MATCH},
    };
    for (const Case& c : cases) {
        unsigned int verdict = 99;
        ASSERT_EQ(PPC_IsMatchPolicy(c.pwd.c_str(), c.policy, c.ind, &verdict), PPC_OK);
        EXPECT_EQ(verdict, c.verdict) << "policy " << c.policy << " ind " << c.ind << " \"" << c.pwd
                                      << "\"";
    }
}

TEST(MatchPolicy, BadArgumentsGive1006WithoutInitialising) {
    testenv::ClearLog();
    unsigned int verdict = 77;
    EXPECT_EQ(PPC_IsMatchPolicy(nullptr, 0, 0, &verdict), PPC_ERR_BAD_ARGUMENT);
    EXPECT_EQ(PPC_IsMatchPolicy("Abcdef1!", 0, 2, &verdict), PPC_ERR_BAD_ARGUMENT);
    EXPECT_EQ(PPC_IsMatchPolicy("Abcdef1!", 0, UINT_MAX, &verdict), PPC_ERR_BAD_ARGUMENT);
    EXPECT_EQ(verdict, 77u);
    EXPECT_EQ(ppcInitFlag, 0);
    EXPECT_EQ(testenv::LogEntries(), std::vector<std::string>{});
}

TEST(MatchPolicy, AbsentPolicyGives3005AndAnErrorLine) {
    UsePolicies();
    testenv::ClearLog();
    unsigned int verdict = 77;
    EXPECT_EQ(PPC_IsMatchPolicy("Abcdef1!", 42, 0, &verdict), PPC_ERR_NO_POLICY);
    EXPECT_EQ(PPC_IsMatchPolicy("Abcdef1!", -7, 1, &verdict), PPC_ERR_NO_POLICY);
    EXPECT_EQ(verdict, 77u);
    EXPECT_EQ(testenv::LogEntries(),
              (std::vector<std::string>{"ERROR|PPC_IsMatchPolicy|policy == NULL,policyId= 42",
                                        "ERROR|PPC_IsMatchPolicy|policy == NULL,policyId= -7"}));
}

TEST(MatchPolicy, FailedOnDemandInitialisationGives3005) {
    testenv::ConfigFile config;
    config.Remove();
    unsigned int verdict = 77;
    EXPECT_EQ(PPC_IsMatchPolicy("Abcdef1!", 0, 0, &verdict), PPC_ERR_NO_POLICY);
    EXPECT_EQ(verdict, 77u);
    EXPECT_EQ(ppcInitFlag, 0);
}
