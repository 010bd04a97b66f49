// The generator's output is a contract: hosts seed rand() and expect the same
// password back. Golden vectors, written down once from a run of the
// generator, pin the draw order; an interposed AllocMem watches (and fails)
// the one allocation per password.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "AllocSpy.h"
#include "TestEnv.h"
#include "lifecycle/Globals.h"
#include "pwdpolicy.h"

using testenv::ConfigFile;
using testenv::LogEntries;

namespace {

const std::string kDefaultSet = "~!#$%^&*()-_=+\\|[{}]:,<.>?";
char* const kUntouched = reinterpret_cast<char*>(0x5a5a);

struct Golden {
    unsigned seed;
    std::string set;
    unsigned length;
    std::string password;
    int nextDraw;  // rand() right after: the generator made exactly its draws
};
// Block sizes 1 (lengths 6 to 11), 2 and 3, the tail phase, an empty set, a
// set with repeats, a blank as the only special character.
const Golden kGolden[] = {
    {1u, kDefaultSet, 16, "D2Wb7q9{bHny6B6O", 1059961393},
    {1u, "", 6, "RqBW7n", 2044897763},
    {20240607u, "@", 7, "p9rAh@P", 1419214378},
    {3735928559u, kDefaultSet, 8, "F?OkxmU4", 442577443},
    {1u, "!!a!?!", 12, "n!9bOHWB76qd", 2145174067},
    {20240607u, "", 19, "2KYLlhr2UAyiFPlOP9l", 1444174815},
    {3735928559u, "@", 19, "@6yZIUPu8@Kxol9MF4x", 1615013995},
    {4242u, "!#", 19, "xaP!nggY#3B6zWDmru7", 1084690113},
    {20240607u, kDefaultSet, 64, "Y80FLIhPDh9ilcG:gin9pYPiAp9jL2r40Tvx79rFlGnD6aKXsyF8vL6sOVVm2A}9",
     974277106},
    {7u, " ", 12, "6zj ZYJ9Z3h ", 77144257},
};

// The password srand(seed) gives, or "failed" when the call fails.
std::string Generate(unsigned seed, const std::string& set, unsigned int* length) {
    char* pwd = kUntouched;
    srand(seed);
    if (PPC_GenSecPwd(set.c_str(), &pwd, length) != PPC_OK) return "failed";
    const std::string password(pwd);
    free(pwd);
    return password;
}

bool InSet(char c, const std::string& set) { return set.find(c) != std::string::npos; }

const char kConfig[] =
    "[BASIC]\n"
    "weakPwdDic=/nonexistent/ppc-generate-test.dic\n"
    "[POLICY0]\n"
    "minlen=8\nmaxlen=15\nminclass=3\n"
    "specialchar=~!#$%^&*()-_=+\\|[{}]:,<.>?\n"
    "[POLICY1]\n"
    "minlen=9\nmaxlen=20\nspecialchar=!#\n"
    "[POLICY2]\n"
    "minlen=3\nspecialchar=\n";

}  // namespace

TEST(GenSecPwdOutput, SeededOutputMatchesGoldenVectors) {
    for (const Golden& g : kGolden) {
        SCOPED_TRACE(g.password);
        allocSpy::calls = 0;
        char* pwd = kUntouched;
        unsigned int pwdLen = g.length;
        srand(g.seed);
        ASSERT_EQ(PPC_GenSecPwd(g.set.c_str(), &pwd, &pwdLen), PPC_OK);
        EXPECT_EQ(rand(), g.nextDraw);
        EXPECT_EQ(pwdLen, g.length);
        EXPECT_EQ(allocSpy::calls, 1);
        EXPECT_EQ(allocSpy::lastSize, g.length + 1);
        EXPECT_EQ(std::string(pwd, g.length + 1), g.password + '\0');
        free(pwd);
    }
}

// Whatever the seed: one lower-case letter, one capital, one digit, and a
// special character when the set has one (or letters and digits only).
TEST(GenSecPwdOutput, EveryClassPresentForAnySeed) {
    for (const std::string& set : {kDefaultSet, std::string()}) {
        for (unsigned length = 6; length <= 40; ++length) {
            for (unsigned seed = 1; seed <= 25; ++seed) {
                unsigned int pwdLen = length;
                const std::string pwd = Generate(seed, set, &pwdLen);
                ASSERT_EQ(pwd.size(), length);
                ASSERT_TRUE(std::any_of(pwd.begin(), pwd.end(), islower)) << pwd;
                ASSERT_TRUE(std::any_of(pwd.begin(), pwd.end(), isupper)) << pwd;
                ASSERT_TRUE(std::any_of(pwd.begin(), pwd.end(), isdigit)) << pwd;
                ASSERT_TRUE(set.empty() ? std::all_of(pwd.begin(), pwd.end(), isalnum)
                                        : std::any_of(pwd.begin(), pwd.end(),
                                                      [&set](char c) { return InSet(c, set); }))
                    << pwd;
            }
        }
    }
}

TEST(GenSecPwdLength, BelowSixBecomes3006) {
    unsigned int substituteLen = 3006;
    const std::string substitute = Generate(7, kDefaultSet, &substituteLen);
    ASSERT_EQ(substitute.size(), 3006u);
    for (unsigned int requested : {0u, 1u, 5u, 0x80000000u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(requested);
        unsigned int pwdLen = requested;
        allocSpy::calls = 0;
        EXPECT_EQ(Generate(7, kDefaultSet, &pwdLen), substitute);
        EXPECT_EQ(pwdLen, 3006u);
        EXPECT_EQ(allocSpy::calls, 1);
        EXPECT_EQ(allocSpy::lastSize, 3007u);
    }
}

TEST(GenSecPwdLength, IntMaxRefusedWithoutAllocating) {
    char* pwd = kUntouched;
    unsigned int pwdLen = 2147483647u;
    allocSpy::calls = 0;
    EXPECT_EQ(PPC_GenSecPwd("!", &pwd, &pwdLen), PPC_ERR_ALLOC);
    EXPECT_EQ(allocSpy::calls, 0);
    EXPECT_EQ(pwd, kUntouched);
    EXPECT_EQ(pwdLen, 2147483647u);
}

TEST(GenSecPwdAllocation, FailureReturns51BeforeAnyDraw) {
    char* pwd = kUntouched;
    unsigned int pwdLen = 12;
    allocSpy::fail = true;
    srand(99);
    EXPECT_EQ(PPC_GenSecPwd("!", &pwd, &pwdLen), PPC_ERR_ALLOC);
    const int next = rand();
    allocSpy::fail = false;
    EXPECT_EQ(pwd, kUntouched);
    EXPECT_EQ(pwdLen, 12u);
    srand(99);
    EXPECT_EQ(next, rand());
}

// Fresh process: the generator must neither initialise nor reseed, so it
// draws from rand()'s default seed, which C fixes at 1.
TEST(GenSecPwdInit, NeverInitialises) {
    char* pwd = nullptr;
    unsigned int pwdLen = 16;
    ASSERT_EQ(PPC_GenSecPwd(kDefaultSet.c_str(), &pwd, &pwdLen), PPC_OK);
    const std::string password(pwd);
    free(pwd);
    EXPECT_EQ(ppcInitFlag, 0);
    EXPECT_TRUE(LogEntries().empty());
    EXPECT_EQ(password, kGolden[0].password);  // seed 1
}

TEST(GenSecPwdByPolicy, FirstCallInitialisesWithBothIndicatorsZero) {
    ConfigFile config;
    config.Write(kConfig);  // its dictionary does not exist: loading it would fail
    char* pwd = nullptr;
    unsigned int pwdLen = 0;
    ASSERT_EQ(PPC_GenDefaultSecPwd(&pwd, &pwdLen), PPC_OK);
    EXPECT_EQ(pwdLen, 8u);
    EXPECT_EQ(strlen(pwd), 8u);
    free(pwd);
    EXPECT_EQ(ppcInitFlag, 1);
    EXPECT_EQ(gWeakPwdUseInd, 0);
    const std::vector<std::string> log = LogEntries();
    auto logged = [&log](const std::string& entry) {
        return std::find(log.begin(), log.end(), entry) != log.end();
    };
    EXPECT_TRUE(logged("INFO|InitData|call weakpwdDic.Init  gWeakPwdUseInd=0"));
    EXPECT_TRUE(logged("INFO|PPC_Initialize|call InitFileMonitor.Init  timerStartInd=0"));
    EXPECT_FALSE(logged("INFO|PPC_Initialize|call InitTimer.Init"));
}

TEST(GenSecPwdByPolicy, UsesPolicySpecialSetInDrawOrder) {
    ConfigFile config;
    config.Write(kConfig);
    ASSERT_EQ(PPC_Initialize(nullptr, 0, 0), PPC_OK);
    // A set longer than any configuration line, placed in the store directly
    // (no timer runs, so no reload can meet this write).
    std::string longSet;
    while (longSet.size() < 600) longSet += "!$%&*()_+=<>?@^~";
    policyCfgObj.policyMap[7] = ppc_PolicyInfo{8, 32, 3, 6, 2, longSet};
    // Each policy draws from its own set, exactly as PPC_GenSecPwd does.
    const std::pair<int, std::string> cases[] = {{0, kDefaultSet}, {1, "!#"}, {2, ""}, {7, longSet}};
    for (const auto& [policyId, set] : cases) {
        SCOPED_TRACE(policyId);
        char* pwd = nullptr;
        unsigned int pwdLen = 19;
        srand(4242);
        ASSERT_EQ(PPC_GenSecPwdByPolicy(policyId, &pwd, &pwdLen), PPC_OK);
        unsigned int directLen = 19;
        EXPECT_EQ(std::string(pwd), Generate(4242, set, &directLen));
        free(pwd);
    }
    char* pwd = nullptr;
    unsigned int pwdLen = 19;
    srand(4242);
    ASSERT_EQ(PPC_GenDefaultSecPwd(&pwd, &pwdLen), PPC_OK);
    unsigned int directLen = 19;
    EXPECT_EQ(std::string(pwd), Generate(4242, kDefaultSet, &directLen));
    free(pwd);
}

// The threshold is the constant 6, not minlen; maxlen is never applied.
TEST(GenSecPwdByPolicy, RequestBelowSixTakesMinlen) {
    ConfigFile config;
    config.Write(kConfig);
    struct Case {
        unsigned int requested;
        unsigned int generated;
    };
    for (const Case& c : {Case{5, 9}, Case{0, 9}, Case{0xFFFFFFFFu, 9}, Case{0x80000000u, 9},
                          Case{6, 6}, Case{7, 7}, Case{40, 40}}) {
        SCOPED_TRACE(c.requested);
        char* pwd = nullptr;
        unsigned int pwdLen = c.requested;
        ASSERT_EQ(PPC_GenSecPwdByPolicy(1, &pwd, &pwdLen), PPC_OK);
        EXPECT_EQ(pwdLen, c.generated);
        EXPECT_EQ(strlen(pwd), c.generated);
        free(pwd);
    }
}

TEST(GenSecPwdByPolicy, MinlenBelowSixFallsToGeneratorSubstitute) {
    ConfigFile config;
    config.Write(kConfig);
    char* pwd = nullptr;
    unsigned int pwdLen = 0;
    ASSERT_EQ(PPC_GenSecPwdByPolicy(2, &pwd, &pwdLen), PPC_OK);
    EXPECT_EQ(pwdLen, 3006u);
    const std::string password(pwd);
    free(pwd);
    EXPECT_EQ(password.size(), 3006u);
    EXPECT_TRUE(std::all_of(password.begin(), password.end(), [](char c) { return isalnum(c) != 0; }));
}

TEST(GenSecPwdByPolicy, AbsentPolicyLeavesOutputsUntouched) {
    ConfigFile config;
    config.Write(kConfig);
    char* pwd = kUntouched;
    unsigned int pwdLen = 5;
    allocSpy::calls = 0;
    EXPECT_EQ(PPC_GenSecPwdByPolicy(42, &pwd, &pwdLen), PPC_ERR_NO_POLICY);
    EXPECT_EQ(pwd, kUntouched);
    EXPECT_EQ(pwdLen, 5u);
    EXPECT_EQ(allocSpy::calls, 0);
    for (const std::string& entry : LogEntries()) EXPECT_NE(entry.rfind("ERROR|", 0), 0u) << entry;
}

TEST(GenSecPwdByPolicy, AllocationFailureIsLoggedUnderPolicyFunction) {
    ConfigFile config;
    config.Write(kConfig);
    ASSERT_EQ(PPC_Initialize(nullptr, 0, 0), PPC_OK);
    testenv::ClearLog();
    char* pwd = kUntouched;
    unsigned int byPolicyLen = 0;
    unsigned int defaultLen = 12;
    allocSpy::fail = true;
    EXPECT_EQ(PPC_GenSecPwdByPolicy(1, &pwd, &byPolicyLen), PPC_ERR_ALLOC);
    EXPECT_EQ(PPC_GenDefaultSecPwd(&pwd, &defaultLen), PPC_ERR_ALLOC);
    allocSpy::fail = false;
    EXPECT_EQ(pwd, kUntouched);
    EXPECT_EQ(byPolicyLen, 9u);  // raised to minlen before the allocation failed
    EXPECT_EQ(defaultLen, 12u);
    const std::vector<std::string> expected(
        2, "ERROR|PPC_GenSecPwdByPolicy|Call GenSecPwd failed : 51");
    EXPECT_EQ(LogEntries(), expected);
}
