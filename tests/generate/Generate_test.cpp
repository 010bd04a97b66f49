// PPC_GenSecPwd draws from rand(): hosts that seed it expect the same password back, so golden vectors
// pin its draws. The policy rules run once per generator; an interposed AllocMem counts and fails.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <numeric>
#include <set>
#include <string>
#include <vector>

#include "AllocSpy.h"
#include "TestEnv.h"
#include "lifecycle/Globals.h"
#include "pwdpolicy.h"

namespace {

const std::string kLower = "abcdefghijklmnopqrstuvwxyz";
const std::string kUpper = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
const std::string kDigits = "0123456789";
const std::string kDefaultSet = "~!#$%^&*()-_=+\\|[{}]:,<.>?";
char* const kUntouched = reinterpret_cast<char*>(0x5a5a);

// Its dictionary does not exist: an initialisation that loaded it would fail. Policy 3's set
// repeats bytes and holds letters, a digit, "space" (a blank) and byte 0x80: its special class is "! \x80".
const char kConfig[] =
    "[BASIC]\nweakPwdDic=/nonexistent/ppc-generate-test.dic\n"
    "[POLICY0]\nminlen=8\nmaxlen=15\nminclass=3\nspecialchar=~!#$%^&*()-_=+\\|[{}]:,<.>?\n"
    "[POLICY1]\nminlen=9\nmaxlen=20\nspecialchar=!#\n"
    "[POLICY2]\nminlen=3\nspecialchar=\n"
    "[POLICY3]\nspecialchar=aa!!1space!\x80\n";

struct Generator {
    const char* name;
    unsigned int (*byPolicy)(int, char**, unsigned int*);
    unsigned int (*byDefault)(char**, unsigned int*);  // the default policy, id 0
    const char* failedLine;  // the one observable of which generator failed
    const char* policy3Specials;  // what policy 3's set gives the special class
    bool drawsFromRand;
};
const Generator kGenerators[] = {
    {"GenSecPwd", PPC_GenSecPwdByPolicy, PPC_GenDefaultSecPwd,
     "ERROR|PPC_GenSecPwdByPolicy|Call GenSecPwd failed : 51", "aa!!1 !\x80", true},
    {"GenCryptoPwd", PPC_GenCryptoPwdByPolicy,
     [](char** pwd, unsigned int* pwdLen) { return PPC_GenCryptoPwdByPolicy(0, pwd, pwdLen); },
     "ERROR|PPC_GenCryptoPwdByPolicy|Call GenCryptoPwd failed : 51", "! \x80", false},
};

std::string Take(unsigned int code, char** pwd) {
    if (code != PPC_OK) return "";
    const std::string password(*pwd);
    free(*pwd);
    return password;
}

class GenByPolicy : public testing::TestWithParam<Generator> {
protected:
    void SetUp() override { config_.Write(kConfig); }
    std::string Generate(int policyId, unsigned int* length) const {
        char* pwd = nullptr;
        return Take(GetParam().byPolicy(policyId, &pwd, length), &pwd);
    }
    testenv::ConfigFile config_;
};
void PrintTo(const Generator& g, std::ostream* os) { *os << g.name; }

}  // namespace

INSTANTIATE_TEST_SUITE_P(Both, GenByPolicy, testing::ValuesIn(kGenerators),
                         [](const auto& info) { return std::string(info.param.name); });

// Below 6 (2^31 and above included, being negative) the policy's minlen, not the threshold 6;
// maxlen never applies; a minlen below 6 takes the generator's own 3006. One allocation of L + 1.
// The first call initialises with timer and dictionary off (loading the absent dictionary would fail).
// Then 3005 for an absent policy, unlogged; 51 when AllocMem fails (the length already raised to
// minlen) and for 2^31 - 1 (refused before allocating), each logged once. None writes *pwd or draws.
TEST_P(GenByPolicy, LengthRulesAndFailures) {
    const struct { int policyId; unsigned int requested, generated; } cases[] = {
        {1, 5, 9}, {1, 0xFFFFFFFFu, 9}, {1, 0x80000000u, 9}, {1, 6, 6}, {1, 40, 40}, {2, 0, 3006}, {0, 70000, 70000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.policyId << " " << c.requested);
        unsigned int pwdLen = c.requested;
        allocSpy::calls = 0;
        EXPECT_EQ(Generate(c.policyId, &pwdLen).size(), c.generated);
        EXPECT_EQ(pwdLen, c.generated);
        EXPECT_EQ(allocSpy::calls, 1);
        EXPECT_EQ(allocSpy::lastSize, c.generated + 1);
    }
    EXPECT_EQ(ppcInitFlag, 1);
    EXPECT_EQ(gWeakPwdUseInd, 0);
    testenv::ClearLog();
    char* pwd = kUntouched;
    unsigned int raisedLen = 0, maxLen = 2147483647u, absentLen = 5;
    srand(99);
    allocSpy::fail = true;
    EXPECT_EQ(GetParam().byPolicy(1, &pwd, &raisedLen), PPC_ERR_ALLOC);
    allocSpy::fail = false;
    allocSpy::calls = 0;
    EXPECT_EQ(GetParam().byPolicy(42, &pwd, &absentLen), PPC_ERR_NO_POLICY);
    EXPECT_EQ(GetParam().byDefault(&pwd, &maxLen), PPC_ERR_ALLOC);
    const int next = rand();
    EXPECT_EQ(allocSpy::calls, 0);
    EXPECT_EQ(raisedLen, 9u);
    EXPECT_EQ(maxLen, 2147483647u);
    EXPECT_EQ(absentLen, 5u);
    EXPECT_EQ(pwd, kUntouched);
    EXPECT_EQ(testenv::LogEntries(), std::vector<std::string>(2, GetParam().failedLine));
    srand(99);
    EXPECT_EQ(next, rand());
}

// Every password holds each class (special only if the policy has one) and nothing else; 14,000 draws a
// policy reach every character. The kernel's generator leaves rand() where it was.
TEST_P(GenByPolicy, EveryClassInEveryPasswordAndEveryCharacterReached) {
    ASSERT_EQ(PPC_Initialize(nullptr, 0, 0), PPC_OK);
    srand(7);
    const int firstDraw = rand();
    srand(7);
    const std::string specials[] = {kDefaultSet, "!#", "", GetParam().policy3Specials};
    for (int policyId = 0; policyId < 4; ++policyId) {
        const std::string& set = specials[policyId];
        const std::string alphabet = kLower + kUpper + kDigits + set;
        std::set<char> reached;
        for (unsigned int length = 6; length <= 40; ++length) {
            for (int round = 0; round < 20; ++round) {
                unsigned int pwdLen = length;
                const std::string p = Generate(policyId, &pwdLen);
                ASSERT_EQ(p.size(), length) << policyId;
                for (const std::string& cls : {kLower, kUpper, kDigits, set}) {
                    if (!cls.empty()) ASSERT_NE(p.find_first_of(cls), std::string::npos) << p;
                }
                ASSERT_EQ(p.find_first_not_of(alphabet), std::string::npos) << p;
                reached.insert(p.begin(), p.end());
            }
        }
        EXPECT_EQ(reached, std::set<char>(alphabet.begin(), alphabet.end())) << policyId;
    }
    EXPECT_EQ(rand() != firstDraw, GetParam().drawsFromRand);
}

// Block sizes 1, 2 and 3, the tail, empty, repeating and blank-only sets; nextDraw shows exactly those
// draws were made. The first row draws from C's default seed 1: no initialising, no reseeding.
TEST(GenSecPwdOutput, SeededOutputMatchesGoldenVectorsAndNeverInitialises) {
    const struct { unsigned seed; std::string set; unsigned length; std::string password; int nextDraw; } golden[] = {
        {1u, kDefaultSet, 16, "D2Wb7q9{bHny6B6O", 1059961393},
        {1u, "", 6, "RqBW7n", 2044897763},
        {1u, "!!a!?!", 12, "n!9bOHWB76qd", 2145174067},
        {20240607u, "", 19, "2KYLlhr2UAyiFPlOP9l", 1444174815},
        {4242u, "!#", 19, "xaP!nggY#3B6zWDmru7", 1084690113},
        {7u, " ", 12, "6zj ZYJ9Z3h ", 77144257},
    };
    char* pwd = nullptr;
    unsigned int pwdLen = 0;
    for (const auto& g : golden) {
        allocSpy::calls = 0;
        if (&g != golden) srand(g.seed);  // the first draws from the default seed
        pwdLen = g.length;
        EXPECT_EQ(Take(PPC_GenSecPwd(g.set.c_str(), &pwd, &pwdLen), &pwd), g.password);
        EXPECT_EQ(rand(), g.nextDraw) << g.password;
        EXPECT_EQ(allocSpy::calls, 1);
        EXPECT_EQ(allocSpy::lastSize, g.length + 1);
    }
    pwdLen = 0x80000000u;  // negative as a length: below 6
    EXPECT_EQ(Take(PPC_GenSecPwd("", &pwd, &pwdLen), &pwd).size(), 3006u);
    EXPECT_EQ(pwdLen, 3006u);
    EXPECT_EQ(ppcInitFlag, 0);
    EXPECT_TRUE(testenv::LogEntries().empty());
    testenv::ConfigFile config;
    config.Write(kConfig);
    ASSERT_EQ(PPC_Initialize(nullptr, 0, 0), PPC_OK);
    srand(1);  // policy 0 hands its set to the same draws
    pwdLen = 16;
    EXPECT_EQ(Take(PPC_GenDefaultSecPwd(&pwd, &pwdLen), &pwd), "D2Wb7q9{bHny6B6O");
}

// Chi-square of each position and of each character within its class over 100,000 passwords of length
// 8 (half of them the guaranteed characters, so a biased shuffle shows). Thresholds at z = 7 give a
// false failure about once in 1e12: the kernel's draws cannot be seeded.
TEST(GenCryptoPwdOutput, PositionsAndCharactersUniformByChiSquare) {
    testenv::ConfigFile config;
    config.Write(kConfig);
    constexpr int kLength = 8;
    std::map<char, std::array<double, kLength>> counts;
    for (int n = 0; n < 100000; ++n) {
        char* pwd = nullptr;
        unsigned int pwdLen = kLength;
        const std::string p = Take(PPC_GenCryptoPwdByPolicy(0, &pwd, &pwdLen), &pwd);
        for (size_t i = 0; i < p.size(); ++i) ++counts[p[i]][i];
    }
    ASSERT_EQ(counts.size(), 88u);
    // Wilson-Hilferty: the value chi-square with df degrees exceeds as often as a normal exceeds 7.
    auto threshold = [](double df) { return df * std::pow(1 - 2 / (9 * df) + 7 * std::sqrt(2 / (9 * df)), 3); };
    double positional = 0, withinClass = 0;
    for (const std::string& cls : {kLower, kUpper, kDigits, kDefaultSet}) {
        std::vector<double> totals;
        for (char c : cls) totals.push_back(std::accumulate(counts[c].begin(), counts[c].end(), 0.0));
        const double expected = std::accumulate(totals.begin(), totals.end(), 0.0) / double(cls.size());
        for (size_t k = 0; k < cls.size(); ++k) {
            withinClass += std::pow(totals[k] - expected, 2) / expected;
            const double perPlace = totals[k] / kLength;
            for (double count : counts[cls[k]]) positional += std::pow(count - perPlace, 2) / perPlace;
        }
    }
    EXPECT_LT(positional, threshold((kLength - 1) * 87));
    EXPECT_LT(withinClass, threshold(25 + 25 + 9 + 25));
}
