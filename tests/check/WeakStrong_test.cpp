#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestEnv.h"
#include "lifecycle/Globals.h"
#include "pwdpolicy.h"

using testenv::ConfigFile;
using testenv::TempDir;

namespace {

const char kEntry[] = "Passw0rd!";            // nine bytes, four classes
const char kLongEntry[] = "LongWeakPassword#123";  // longer than maxlen 16

// Policy 0 of 8..16 bytes and 3 classes, without a blank among its
// specials, and a dictionary of the two entries above.
std::string Config(const TempDir& dir) {
    const std::string dic = dir.WriteFile("weak.dic", std::string(kEntry) + "\n" + kLongEntry + "\n");
    return "[BASIC]\nweakPwdDic=" + dic + "\n[POLICY0]\nminlen=8\nmaxlen=16\nminclass=3\nspecialchar=!#\n";
}

}  // namespace

TEST(StrongPwd, JudgesPolicyZeroThenTheDictionary) {
    ConfigFile config;
    TempDir dir;
    config.Write(Config(dir));
    struct Case {
        std::string pwd;
        unsigned int strong;
    } cases[] = {
        {"Abcdef1!", 1},
        {kEntry, 0},
        {std::string(" ") + kEntry + " ", 0},
        {"Passw0rD!", 1},
        {"Ab1!", 0},  // too short
        {"abcdefghij", 0},  // too few classes
        {"Abcdefghij1!Abcdefghij1!Abcd", 1},  // 28 bytes: too long still counts as strong
        {kLongEntry, 0},  // too long goes on to the dictionary
        {"Abcd 1ef", 1},  // any non-alphanumeric byte is special here
    };
    for (const Case& c : cases) {
        unsigned int strong = 99;
        EXPECT_EQ(PPC_IsStrongPwd(c.pwd.c_str(), &strong), PPC_OK) << c.pwd;
        EXPECT_EQ(strong, c.strong) << c.pwd;
    }
    unsigned int weak = 99;
    EXPECT_EQ(PPC_IsWeakPwd(kEntry, &weak), PPC_OK);
    EXPECT_EQ(weak, 1u);
    EXPECT_EQ(PPC_IsWeakPwd("passw0rd!", &weak), PPC_OK);
    EXPECT_EQ(weak, 0u);
    EXPECT_EQ(PPC_IsWeakPwd("", &weak), PPC_OK);
    EXPECT_EQ(weak, 0u);
}

TEST(StrongPwd, NullPasswordGives1006WithoutInitialising) {
    unsigned int strong = 7;
    EXPECT_EQ(PPC_IsStrongPwd(nullptr, &strong), PPC_ERR_BAD_ARGUMENT);
    EXPECT_EQ(strong, 7u);
    EXPECT_EQ(ppcInitFlag, 0);
}

TEST(WeakPwd, NullPasswordGives1006AfterInitialising) {
    ConfigFile config;
    TempDir dir;
    config.Write(Config(dir));
    unsigned int weak = 7;
    EXPECT_EQ(PPC_IsWeakPwd(nullptr, &weak), PPC_ERR_BAD_ARGUMENT);
    EXPECT_EQ(weak, 7u);
    EXPECT_EQ(ppcInitFlag, 1);
    EXPECT_EQ(gWeakPwdUseInd, 1);
}

TEST(StrongPwd, NoPolicyZeroGives3005) {
    ConfigFile config;
    TempDir dir;
    config.Write("[BASIC]\nweakPwdDic=" + dir.WriteFile("weak.dic", "x\n") + "\n[POLICY1]\nminlen=1\n");
    testenv::ClearLog();
    unsigned int strong = 7;
    EXPECT_EQ(PPC_IsStrongPwd("Abcdef1!", &strong), PPC_ERR_NO_POLICY);
    EXPECT_EQ(strong, 7u);
    const std::vector<std::string> lines = testenv::LogEntries();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "ERROR|PPC_IsMatchPolicy|policy == NULL,policyId= 0");
}

TEST(WeakPwd, FailedInitialisationIsNotReported) {
    ConfigFile config;
    config.Remove();
    unsigned int weak = 7;
    EXPECT_EQ(PPC_IsWeakPwd("Passw0rd!", &weak), PPC_OK);
    EXPECT_EQ(weak, 0u);
    EXPECT_EQ(ppcInitFlag, 0);
}

TEST(WeakPwd, DictionaryOffFindsNothingWeak) {
    ConfigFile config;
    TempDir dir;
    config.Write(Config(dir));
    ASSERT_EQ(PPC_Initialize(nullptr, 0, 0), PPC_OK);
    unsigned int weak = 7;
    unsigned int strong = 7;
    EXPECT_EQ(PPC_IsWeakPwd(kEntry, &weak), PPC_OK);
    EXPECT_EQ(weak, 0u);
    EXPECT_EQ(PPC_IsStrongPwd(kEntry, &strong), PPC_OK);
    EXPECT_EQ(strong, 1u);  // policy 0 alone decides
    EXPECT_EQ(gWeakPwdUseInd, 0);
    // The trap is named once a process, however many checks fall into it.
    EXPECT_EQ(PPC_IsWeakPwd(kEntry, &weak), PPC_OK);
    size_t warnings = 0;
    for (const std::string& line : testenv::LogEntries()) {
        warnings += line.rfind("WARN|PPC_IsWeakPwd|the weak-password dictionary is not loaded", 0) == 0;
    }
    EXPECT_EQ(warnings, 1u);

    // A dictionary loaded before the switch stays in force.
    ASSERT_EQ(PPC_Finalize(), PPC_OK);
    ASSERT_EQ(PPC_Initialize(nullptr, 0, 1), PPC_OK);
    ASSERT_EQ(PPC_Finalize(), PPC_OK);
    ASSERT_EQ(PPC_Initialize(nullptr, 0, 0), PPC_OK);
    EXPECT_EQ(PPC_IsWeakPwd(kEntry, &weak), PPC_OK);
    EXPECT_EQ(weak, 1u);
}
