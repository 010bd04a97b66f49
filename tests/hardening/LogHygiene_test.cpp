// Passwords never reach the log and are never copied to the heap. Every
// PPC_ function is driven with the distinctive passwords of
// TestPasswords.h, through initialisation, a reload and finalisation; then
// this process's log must hold none of them, nor any generated password.
// tests/hardening/scan-logs.sh repeats the search over every test log.
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TestEnv.h"
#include "TestPasswords.h"
#include "lifecycle/Globals.h"
#include "monitor/ReloadTimer.h"
#include "pwdpolicy.h"

namespace {

// Allocations made through operator new in this process while counting.
int allocationCount = 0;
bool countingAllocations = false;

}  // namespace

void* operator new(std::size_t size) {
    if (countingAllocations) ++allocationCount;
    if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
    throw std::bad_alloc();
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }

namespace {

using testpasswords::kTestPasswords;

class Hygiene : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string dic = dir_.WriteFile("weak.dic", std::string("123456\n") +
                                                               testpasswords::kWeak + "\n");
        config_.Write(ConfigText(dic, 8));
        dicPath_ = dic;
    }

    static std::string ConfigText(const std::string& dic, int minlen) {
        return "[BASIC]\nweakPwdDic=" + dic + "\ntimerInterval=60\n[POLICY0]\nminlen=" +
               std::to_string(minlen) +
               "\nmaxlen=32\nminclass=3\nspecialchar=!#-space\n[POLICY1]\nminlen=12\n";
    }

    // Every check, on every test password, with every indicator and a
    // policy that exists and one that does not.
    static void CheckEverything() {
        for (const char* pwd : kTestPasswords) {
            unsigned int answer = 0;
            for (int policy : {0, 1, 99}) {
                for (unsigned int indicator : {0u, 1u, 2u}) {
                    PPC_IsMatchPolicy(pwd, policy, indicator, &answer);
                }
            }
            EXPECT_EQ(PPC_IsWeakPwd(pwd, &answer), PPC_OK);
            EXPECT_EQ(PPC_IsStrongPwd(pwd, &answer), PPC_OK);
            // A password as the special set of the generator.
            char* made = nullptr;
            unsigned int length = 12;
            ASSERT_EQ(PPC_GenSecPwd(pwd, &made, &length), PPC_OK);
            generated_.emplace_back(made);
            free(made);
        }
        int limits[5];
        const char* special = nullptr;
        PPC_GetPolicy(0, limits, 5, &special);
        PPC_GetPolicy(99, limits, 5, &special);
        for (int policy : {0, 1, 99}) {
            char* made = nullptr;
            unsigned int length = 16;
            if (PPC_GenSecPwdByPolicy(policy, &made, &length) == PPC_OK) {
                generated_.emplace_back(made);
                free(made);
            }
        }
        char* made = nullptr;
        unsigned int length = 0;
        ASSERT_EQ(PPC_GenDefaultSecPwd(&made, &length), PPC_OK);
        generated_.emplace_back(made);
        free(made);
    }

    static void ExpectLogFree() {
        const std::string log = testenv::ReadFile(testenv::LogPath());
        ASSERT_FALSE(log.empty()) << "no log at " << testenv::LogPath();
        for (const char* pwd : kTestPasswords) {
            EXPECT_EQ(log.find(pwd), std::string::npos) << "logged: " << pwd;
        }
        for (const std::string& pwd : generated_) {
            EXPECT_EQ(log.find(pwd), std::string::npos) << "logged generated password " << pwd;
        }
    }

    testenv::ConfigFile config_;
    testenv::TempDir dir_;
    std::string dicPath_;
    static std::vector<std::string> generated_;
};

std::vector<std::string> Hygiene::generated_;

TEST_F(Hygiene, NoPasswordInTheLogThroughTheWholeLifecycle) {
    ASSERT_EQ(PPC_Initialize(nullptr, 1, 1), PPC_OK);
    CheckEverything();
    // A reload with a changed configuration, then the checks again.
    config_.Write(ConfigText(dicPath_, 9));
    HandlerTimeTask(SIGALRM);
    int limits[5] = {};
    const char* special = nullptr;
    ASSERT_EQ(PPC_GetPolicy(0, limits, 5, &special), PPC_OK);
    EXPECT_EQ(limits[0], 9) << "the reload did not happen";
    CheckEverything();
    EXPECT_EQ(PPC_Finalize(), PPC_OK);
    CheckEverything();  // after finalisation: initialisation on demand
    ExpectLogFree();
}

TEST_F(Hygiene, NoPasswordInTheLogWhenInitialisedOnDemand) {
    unsigned int strong = 0;
    ASSERT_EQ(PPC_IsStrongPwd(testpasswords::kStrong, &strong), PPC_OK);
    EXPECT_EQ(strong, 1u);
    CheckEverything();
    ExpectLogFree();
}

// The checks read the password in place: no allocation, so no copy of it
// is left behind in freed heap memory.
TEST_F(Hygiene, ChecksMakeNoHeapCopyOfThePassword) {
    ASSERT_EQ(PPC_Initialize(nullptr, 0, 1), PPC_OK);
    unsigned int answer = 0;
    allocationCount = 0;
    countingAllocations = true;
    for (const char* pwd : kTestPasswords) {
        PPC_IsMatchPolicy(pwd, 0, 0, &answer);
        PPC_IsMatchPolicy(pwd, 0, 1, &answer);
        PPC_IsWeakPwd(pwd, &answer);
        PPC_IsStrongPwd(pwd, &answer);
    }
    countingAllocations = false;
    EXPECT_EQ(allocationCount, 0);
}

}  // namespace
