// Passwords never reach the log and are never copied to the heap.
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "FailingNew.h"
#include "TestEnv.h"
#include "TestPasswords.h"
#include "lifecycle/Globals.h"
#include "lifecycle/Reloader.h"
#include "pwdpolicy.h"

// A host global with the library's name: the library must keep its own (a "busy" 1 here).
int32_t timerLock = 1;

namespace {

std::string ConfigText(const std::string& dictionary, int minlen) {
    return "[BASIC]\nweakPwdDic=" + dictionary + "\ntimerInterval=60\n[POLICY0]\nminlen=" + std::to_string(minlen) +
           "\nmaxlen=32\nminclass=3\nspecialchar=!#-space\n[POLICY1]\nminlen=12\n";
}

// Every check and generator on every test password (also as the special set); adds what was generated.
void CheckEverything(std::vector<std::string>* generated) {
    char* made = nullptr;
    unsigned int answer = 0, length = 12;
    const auto keep = [&] { generated->emplace_back(made), free(made); };
    for (const char* pwd : testpasswords::kTestPasswords) {
        for (int policy : {0, 1, 99}) {
            for (unsigned int check : {0u, 1u, 2u}) PPC_IsMatchPolicy(pwd, policy, check, &answer);
        }
        EXPECT_EQ(PPC_IsWeakPwd(pwd, &answer), PPC_OK);
        EXPECT_EQ(PPC_IsStrongPwd(pwd, &answer), PPC_OK);
        ASSERT_EQ(PPC_GenSecPwd(pwd, &made, &(length = 12)), PPC_OK);
        keep();
    }
    for (int policy : {0, 1, 99}) {
        if (PPC_GenSecPwdByPolicy(policy, &made, &(length = 16)) == PPC_OK) keep();
    }
    ASSERT_EQ(PPC_GenDefaultSecPwd(&made, &(length = 0)), PPC_OK);
    keep();
}

}  // namespace

TEST(Hygiene, NoPasswordInTheLogNorOnTheHeapThroughTheWholeLifecycle) {
    testenv::ConfigFile config;
    testenv::TempDir dir;
    const std::string dictionary = dir.WriteFile("weak.dic", std::string(testpasswords::kWeak) + "\n");
    std::vector<std::string> generated;
    config.Write(ConfigText(dictionary, 8));
    ASSERT_EQ(PPC_Initialize(nullptr, 1, 1), PPC_OK);
    CheckEverything(&generated);
    unsigned int answer = 0;
    testenv::FailAllocationAfter(0);  // the checks' first allocation throws
    for (const char* pwd : testpasswords::kTestPasswords) {
        PPC_IsMatchPolicy(pwd, 0, 0, &answer);
        PPC_IsMatchPolicy(pwd, 0, 1, &answer);
        PPC_IsWeakPwd(pwd, &answer);
        PPC_IsStrongPwd(pwd, &answer);
    }
    testenv::FailAllocationAfter(-1);
    EXPECT_FALSE(testenv::AllocationFailed()) << "a check copied a password to the heap";
    config.Write(ConfigText(dictionary, 9));
    HandlerTimeTask(SIGALRM);
    int limits[5] = {};
    const char* special = nullptr;
    ASSERT_EQ(PPC_GetPolicy(0, limits, 5, &special), PPC_OK);
    EXPECT_EQ(limits[0], 9) << "the reload did not happen";
    EXPECT_EQ(timerLock, 1);
    CheckEverything(&generated);
    EXPECT_EQ(PPC_Finalize(), PPC_OK);
    CheckEverything(&generated);  // initialised on demand

    const std::string log = testenv::ReadFile(testenv::LogPath());
    ASSERT_FALSE(log.empty()) << "no log at " << testenv::LogPath();
    for (const char* pwd : testpasswords::kTestPasswords) EXPECT_EQ(log.find(pwd), std::string::npos) << pwd;
    for (const std::string& made : generated) EXPECT_EQ(log.find(made), std::string::npos) << made;
}
