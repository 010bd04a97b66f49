// PPC_IsMatchPolicy, PPC_IsStrongPwd and PPC_IsWeakPwd through the exported interface.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "TestEnv.h"
#include "lifecycle/Globals.h"
#include "pwdpolicy.h"

using testenv::ConfigFile;
using testenv::TempDir;

namespace {

const char kEntry[] = "Passw0rd!";             // nine bytes, four classes
const char kLongEntry[] = "LongWeakPassword#123";  // longer than maxlen 16

// Policy 0 of 8..16 bytes and 3 classes, no blank among its specials; a dictionary of the two above.
std::string Config(const TempDir& dir) {
    const std::string dic = dir.WriteFile("weak.dic", std::string(kEntry) + "\n" + kLongEntry + "\n");
    return "[BASIC]\nweakPwdDic=" + dic + "\n[POLICY0]\nminlen=8\nmaxlen=16\nminclass=3\nspecialchar=!#\n";
}

}  // namespace

// A failed on-demand initialisation leaves no policy, unreported by the weak check. Bad arguments are
// refused before the policy checks initialise; the weak check initialises before it tests `pwd`.
TEST(MatchPolicy, BadArgumentsAbsentPoliciesVerdictsAndTheirPrecedence) {
    ConfigFile config;
    config.Remove();
    unsigned int out = 77;
    EXPECT_EQ(PPC_IsMatchPolicy("Abcdef1!", -7, 1, &out), PPC_ERR_NO_POLICY);
    EXPECT_EQ(PPC_IsStrongPwd("Abcdef1!", &out), PPC_ERR_NO_POLICY);
    EXPECT_EQ(out, 77u);
    EXPECT_EQ(PPC_IsWeakPwd("Passw0rd!", &out), PPC_OK);
    EXPECT_EQ(out, 0u);
    TempDir dir;
    config.Write(Config(dir));
    EXPECT_EQ(PPC_IsMatchPolicy(nullptr, 0, 0, &out), PPC_ERR_BAD_ARGUMENT);
    EXPECT_EQ(PPC_IsMatchPolicy("Abcdef1!", 0, 2, &out), PPC_ERR_BAD_ARGUMENT);
    EXPECT_EQ(PPC_IsMatchPolicy("Abcdef1!", 0, UINT_MAX, &out), PPC_ERR_BAD_ARGUMENT);
    EXPECT_EQ(PPC_IsStrongPwd(nullptr, &out), PPC_ERR_BAD_ARGUMENT);
    EXPECT_EQ(ppcInitFlag, 0);
    EXPECT_EQ(PPC_IsWeakPwd(nullptr, &out), PPC_ERR_BAD_ARGUMENT);
    EXPECT_EQ(out, 0u);
    EXPECT_EQ(ppcInitFlag, 1);
    EXPECT_EQ(gWeakPwdUseInd, 1);
    ASSERT_EQ(PPC_Finalize(), PPC_OK);
    // A section starts from the fallback record: minlen 8, maxlen 32, minclass 3, an empty special set.
    config.Write("[POLICY1]\nmaxlen=16\nspecialchar=!#\n[POLICY2]\nspecialchar=!space\n[POLICY3]\nminlen=8\n"
                 "[POLICY4]\nspecialchar=\xc3\xa9\n[POLICY5]\nminlen=1\nminclass=5\nspecialchar=!\n"
                 "[POLICY6]\nminlen=0\nminclass=4\n[POLICY7]\nminlen=0\nmaxlen=-1\nminclass=0\n"
                 "[POLICY8]\nminlen=0\nmaxlen=0\nminclass=0\n[POLICY9]\nminlen=-5\nminclass=-1\n"
                 "[POLICY10]\nminlen=1\nminclass=2\n[POLICY11]\nminlen=1\nminclass=1\n");
    ASSERT_EQ(PPC_Initialize(nullptr, 0, 0), PPC_OK);
    struct Case { int policy; std::string pwd; unsigned int ind, verdict; } cases[] = {
        {1, "Abcdef12", 0, PPC_MATCH},  // exactly minclass
        // Every pair of classes is short of three, every triple reaches it; one class is enough for one.
        {1, "ABCDefgh", 0, PPC_TOO_FEW_CLASSES}, {1, "ABCDEF12", 0, PPC_TOO_FEW_CLASSES},
        {1, "ABCDEF!#", 0, PPC_TOO_FEW_CLASSES}, {1, "abcdef12", 0, PPC_TOO_FEW_CLASSES},
        {1, "abcdef!#", 0, PPC_TOO_FEW_CLASSES}, {1, "123456!#", 0, PPC_TOO_FEW_CLASSES},
        {1, "ABCdef!#", 0, PPC_MATCH}, {1, "ABC123!#", 0, PPC_MATCH}, {1, "abc123!#", 0, PPC_MATCH},
        {11, "!", 0, PPC_MATCH},
        {1, "Abcdefgh1!abcdef", 0, PPC_MATCH},  // exactly maxlen
        {1, std::string(21, 'a'), 0, PPC_TOO_FEW_CLASSES},  // 3 before 2
        {1, "Abcd 1ef", 1, PPC_BAD_SPECIAL_CHAR},
        {2, "Abcd 1ef", 1, PPC_MATCH},
        {1, "Abcdef1?", 1, PPC_BAD_SPECIAL_CHAR},  // classes reached before the last byte
        {1, "A b", 1, PPC_TOO_SHORT},  // 1 before 4
        {3, "Abcdef1!", 1, PPC_BAD_SPECIAL_CHAR},  // empty set
        {3, "Abcdefg1", 1, PPC_MATCH},
        {4, "Abcdef\xc3\xa9" "1", 1, PPC_MATCH},
        {4, "Abcdef\xc3\xa8" "1", 1, PPC_BAD_SPECIAL_CHAR},
        // Each range's ends, its neighbours and the other bytes: one class is short of policy 10's two.
        {10, "AZ", 0, PPC_TOO_FEW_CLASSES},
        {10, "az", 0, PPC_TOO_FEW_CLASSES},
        {10, "09", 0, PPC_TOO_FEW_CLASSES},
        {10, "@[`{/:\x01\t\x7f\x80\xff", 0, PPC_TOO_FEW_CLASSES},
        {10, "a\xc3\xa9", 0, PPC_MATCH},
        {5, "Abcdef1!", 0, PPC_TOO_FEW_CLASSES},  // minclass above 4
        {6, "aA1!", 0, PPC_MATCH},
        // The empty password gets no scan and a class count of 0.
        {6, "", 0, PPC_TOO_FEW_CLASSES},
        {7, "", 0, PPC_TOO_LONG},
        {8, "", 0, PPC_MATCH},
        {9, "", 1, PPC_MATCH},
    };
    for (const Case& c : cases) {
        unsigned int verdict = 99;
        ASSERT_EQ(PPC_IsMatchPolicy(c.pwd.c_str(), c.policy, c.ind, &verdict), PPC_OK);
        EXPECT_EQ(verdict, c.verdict) << "policy " << c.policy << " ind " << c.ind << " \"" << c.pwd << "\"";
    }
}

// Policy 0 first, then the dictionary. With the dictionary off nothing is weak and policy 0 alone
// decides; a dictionary loaded before the switch stays in force.
TEST(StrongPwd, JudgesPolicyZeroThenTheDictionaryUnlessItIsOff) {
    ConfigFile config;
    TempDir dir;
    config.Write(Config(dir));
    ASSERT_EQ(PPC_Initialize(nullptr, 0, 0), PPC_OK);
    unsigned int weak = 7, strong = 7;
    EXPECT_EQ(PPC_IsWeakPwd(kEntry, &weak), PPC_OK);
    EXPECT_EQ(weak, 0u);
    EXPECT_EQ(PPC_IsStrongPwd(kEntry, &strong), PPC_OK);
    EXPECT_EQ(strong, 1u);
    EXPECT_EQ(gWeakPwdUseInd, 0);
    ASSERT_EQ(PPC_Finalize(), PPC_OK);
    struct Case { std::string pwd; unsigned int strong, weak; } cases[] = {
        {"Abcdef1!", 1, 0},
        {kEntry, 0, 1},
        {std::string(" ") + kEntry + " ", 0, 1},
        {"Passw0rD!", 1, 0},
        {"Ab1!", 0, 0},                          // too short
        {"abcdefghij", 0, 0},                    // too few classes
        {"Abcdefghij1!Abcdefghij1!Abcd", 1, 0},  // 28 bytes: too long still counts as strong
        {kLongEntry, 0, 1},                      // too long goes on to the dictionary
        {"Abcd 1ef", 1, 0},                      // any non-alphanumeric byte is special here
        {"", 0, 0},
    };
    for (const Case& c : cases) {  // initialised on demand, with the dictionary
        EXPECT_EQ(PPC_IsStrongPwd(c.pwd.c_str(), &strong), PPC_OK) << c.pwd;
        EXPECT_EQ(strong, c.strong) << c.pwd;
        EXPECT_EQ(PPC_IsWeakPwd(c.pwd.c_str(), &weak), PPC_OK) << c.pwd;
        EXPECT_EQ(weak, c.weak) << c.pwd;
    }
    ASSERT_EQ(PPC_Finalize(), PPC_OK);
    ASSERT_EQ(PPC_Initialize(nullptr, 0, 0), PPC_OK);
    EXPECT_EQ(PPC_IsWeakPwd(kEntry, &weak), PPC_OK);
    EXPECT_EQ(weak, 1u);
}
