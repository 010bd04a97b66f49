// The generator's output is a contract: hosts seed rand() and expect the same
// password back. These tests rebuild every expected password from the
// documented draw order with a reference of their own, and use an interposed
// AllocMem to watch (and fail) the one allocation per password.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "TestEnv.h"
#include "lifecycle/Globals.h"
#include "pwdpolicy.h"

using testenv::ConfigFile;
using testenv::LogEntries;

// The library reaches AllocMem through the dynamic linker, so this
// definition replaces the support library's for the whole test program.
namespace allocSpy {
std::atomic<int> calls{0};
std::atomic<size_t> lastSize{0};
std::atomic<bool> fail{false};
}  // namespace allocSpy

extern "C" void* AllocMem(size_t size) {
    ++allocSpy::calls;
    allocSpy::lastSize = size;
    return allocSpy::fail ? nullptr : malloc(size);
}

namespace {

const std::string kDefaultSet = "~!#$%^&*()-_=+\\|[{}]:,<.>?";
const std::string kLower = "abcdefghijklmnopqrstuvwxyz";
const std::string kUpper = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
const std::string kDigits = "0123456789";
char* const kUntouched = reinterpret_cast<char*>(0x5a5a);

struct Expected {
    std::string beforeShuffle;
    std::string password;
    int blockSize;
    int nextDraw;  // the first rand() result after the generator's last draw
};

// The password that srand(seed) must give, built step by step from the
// documented draw order: block phase (four draws a round), tail phase (kind
// draw, then character draw), then L swaps against the whole range.
Expected Reference(unsigned seed, const std::string& special, int length) {
    srand(seed);
    auto from = [](const std::string& set) { return set[rand() % static_cast<int>(set.size())]; };
    const int quarter = length / 4;
    const int n = quarter == 1 ? 1 : quarter - 1;
    std::string text(length, '\0');
    bool specialPlaced = false;
    for (int round = 0; round < n; ++round) {
        text[round] = from(kLower);
        text[n + round] = from(kUpper);
        text[2 * n + round] = from(kDigits);
        const bool takeSpecial = !special.empty() && !specialPlaced;
        text[3 * n + round] = from(takeSpecial ? special : round % 2 == 1 ? kLower : kUpper);
        specialPlaced = specialPlaced || takeSpecial;
    }
    for (int at = 4 * n; at < length; ++at) {
        const int kind = rand() % 10;
        const std::string* set = &kLower;
        if (kind == 0) {
            set = &kDigits;
        } else if (kind == 1 && !special.empty()) {
            set = &special;
        } else if (kind % 2 == 1) {
            set = &kUpper;
        }
        text[at] = from(*set);
    }
    Expected expected{text, text, n, 0};
    for (int i = 0; i < length; ++i) std::swap(expected.password[i], expected.password[rand() % length]);
    expected.nextDraw = rand();
    return expected;
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

TEST(GenSecPwdOutput, MatchesReferenceByteForByte) {
    const int lengths[] = {6, 7, 8, 12, 19, 64};
    const std::string sets[] = {"", "@", kDefaultSet, "!!a!?!"};
    const unsigned seeds[] = {1u, 20240607u, 0xDEADBEEFu};
    for (unsigned seed : seeds) {
        for (const std::string& set : sets) {
            for (int length : lengths) {
                SCOPED_TRACE("seed " + std::to_string(seed) + " set '" + set + "' length " +
                             std::to_string(length));
                const Expected expected = Reference(seed, set, length);
                allocSpy::calls = 0;
                char* pwd = kUntouched;
                unsigned int pwdLen = static_cast<unsigned int>(length);
                srand(seed);
                ASSERT_EQ(PPC_GenSecPwd(set.c_str(), &pwd, &pwdLen), PPC_OK);
                // Same draws consumed: the next rand() continues the reference.
                EXPECT_EQ(rand(), expected.nextDraw);
                EXPECT_EQ(pwdLen, static_cast<unsigned int>(length));
                EXPECT_EQ(allocSpy::calls, 1);
                EXPECT_EQ(allocSpy::lastSize, static_cast<size_t>(length) + 1);
                EXPECT_EQ(pwd[length], '\0');
                EXPECT_EQ(std::string(pwd), expected.password);
                free(pwd);
            }
        }
    }
}

// Checks the documented layout on the reference's unshuffled text (so the
// reference itself cannot be wrong the same way as the code) and that the
// library's output is a permutation of it, which carries the class
// guarantees through the shuffle.
TEST(GenSecPwdOutput, ClassesGuaranteedBeforeShuffle) {
    for (const std::string& set : {kDefaultSet, std::string()}) {
        for (int length = 6; length <= 40; ++length) {
            for (unsigned seed = 1; seed <= 25; ++seed) {
                SCOPED_TRACE("length " + std::to_string(length) + " seed " + std::to_string(seed));
                const Expected expected = Reference(seed, set, length);
                const std::string& text = expected.beforeShuffle;
                const int n = expected.blockSize;
                ASSERT_GE(length - 4 * n, 2);
                ASSERT_LE(length - 4 * n, 7);
                for (int i = 0; i < n; ++i) {
                    ASSERT_TRUE(islower(text[i])) << text;
                    ASSERT_TRUE(isupper(text[n + i])) << text;
                    ASSERT_TRUE(isdigit(text[2 * n + i])) << text;
                }
                if (set.empty()) {
                    ASSERT_TRUE(isupper(text[3 * n])) << text;
                    ASSERT_TRUE(std::all_of(text.begin(), text.end(),
                                            [](char c) { return isalnum(c) != 0; }))
                        << text;
                } else {
                    ASSERT_TRUE(InSet(text[3 * n], set)) << text;
                }
                for (int i = 1; i < n; ++i) {
                    ASSERT_TRUE(i % 2 == 1 ? islower(text[3 * n + i]) : isupper(text[3 * n + i]))
                        << text;
                }

                char* pwd = nullptr;
                unsigned int pwdLen = static_cast<unsigned int>(length);
                srand(seed);
                ASSERT_EQ(PPC_GenSecPwd(set.c_str(), &pwd, &pwdLen), PPC_OK);
                EXPECT_TRUE(std::is_permutation(text.begin(), text.end(), pwd, pwd + length));
                free(pwd);
            }
        }
    }
}

TEST(GenSecPwdLength, BelowSixBecomes3006) {
    for (unsigned int requested : {0u, 1u, 5u, 0x80000000u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(requested);
        char* pwd = nullptr;
        unsigned int pwdLen = requested;
        allocSpy::calls = 0;
        srand(7);
        ASSERT_EQ(PPC_GenSecPwd(kDefaultSet.c_str(), &pwd, &pwdLen), PPC_OK);
        EXPECT_EQ(pwdLen, 3006u);
        EXPECT_EQ(allocSpy::calls, 1);
        EXPECT_EQ(allocSpy::lastSize, 3007u);
        EXPECT_EQ(std::string(pwd), Reference(7, kDefaultSet, 3006).password);
        free(pwd);
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
    EXPECT_EQ(password, Reference(1, kDefaultSet, 16).password);
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
    struct Case {
        int policyId;
        std::string set;
    };
    for (const Case& c : {Case{0, kDefaultSet}, Case{1, "!#"}, Case{2, ""}, Case{7, longSet}}) {
        SCOPED_TRACE(c.policyId);
        char* pwd = nullptr;
        unsigned int pwdLen = 19;
        srand(4242);
        ASSERT_EQ(PPC_GenSecPwdByPolicy(c.policyId, &pwd, &pwdLen), PPC_OK);
        EXPECT_EQ(std::string(pwd), Reference(4242, c.set, 19).password);
        free(pwd);
    }
    char* pwd = nullptr;
    unsigned int pwdLen = 19;
    srand(4242);
    ASSERT_EQ(PPC_GenDefaultSecPwd(&pwd, &pwdLen), PPC_OK);
    EXPECT_EQ(std::string(pwd), Reference(4242, kDefaultSet, 19).password);
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

// A reload that swaps the special set while passwords are generated: each
// password must draw all its special characters from one version of the set.
TEST(GenSecPwdByPolicy, SpecialSetStaysWholeAcrossReload) {
    ConfigFile config;
    const std::string withBang = std::string(kConfig) + "[POLICY3]\nspecialchar=!!!!!!!!!!!!\n";
    const std::string withAt = std::string(kConfig) + "[POLICY3]\nspecialchar=@@@@@@@@@@@@\n";
    config.Write(withBang);
    ASSERT_EQ(PPC_Initialize(nullptr, 0, 0), PPC_OK);
    std::atomic<bool> done{false};
    std::thread reloader([&] {
        for (int i = 0; i < 300; ++i) {
            config.Write(i % 2 == 0 ? withAt : withBang);
            InitData();
        }
        done = true;
    });
    int mixed = 0;
    int generated = 0;
    while (!done) {
        char* pwd = nullptr;
        unsigned int pwdLen = 67;  // seven tail draws: several specials per password
        ASSERT_EQ(PPC_GenSecPwdByPolicy(3, &pwd, &pwdLen), PPC_OK);
        const std::string password(pwd);
        free(pwd);
        ++generated;
        const bool bang = InSet('!', password);
        const bool at = InSet('@', password);
        if (bang && at) ++mixed;
        EXPECT_TRUE(bang || at) << password;
    }
    reloader.join();
    EXPECT_EQ(mixed, 0) << "of " << generated;
}
