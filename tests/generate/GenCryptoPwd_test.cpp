// The unpredictable generator: the length and result rules it shares with
// PPC_GenSecPwdByPolicy, its class guarantee, its independence from rand(),
// and the statistics of its output. An interposed AllocMem watches (and
// fails) the one allocation per password.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "AllocSpy.h"
#include "TestEnv.h"
#include "lifecycle/Globals.h"
#include "pwdpolicy.h"

using testenv::ConfigFile;
using testenv::LogEntries;

namespace {

char* const kUntouched = reinterpret_cast<char*>(0x5a5a);
const std::string kLower = "abcdefghijklmnopqrstuvwxyz";
const std::string kUpper = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
const std::string kDigits = "0123456789";

// Policy 3's set repeats bytes and holds a letter, a digit and a blank: its
// special class is "!" and " " only.
const char kConfig[] =
    "[BASIC]\n"
    "weakPwdDic=/nonexistent/ppc-generate-test.dic\n"
    "[POLICY0]\n"
    "minlen=8\nmaxlen=15\nminclass=3\n"
    "specialchar=~!#$%^&*()-_=+\\|[{}]:,<.>?\n"
    "[POLICY1]\n"
    "minlen=9\nspecialchar=!#\n"
    "[POLICY2]\n"
    "minlen=3\nspecialchar=\n"
    "[POLICY3]\n"
    "specialchar=aa!!1space!\n";

std::string Generate(int policyId, unsigned int length) {
    char* pwd = nullptr;
    unsigned int pwdLen = length;
    EXPECT_EQ(PPC_GenCryptoPwdByPolicy(policyId, &pwd, &pwdLen), PPC_OK);
    if (pwd == nullptr) return std::string();
    EXPECT_EQ(pwdLen, length);
    EXPECT_EQ(pwd[length], '\0');
    std::string password(pwd, length);
    free(pwd);
    return password;
}

// Upper tail of the chi-square distribution by the Wilson-Hilferty cube-root
// normal approximation: the value a statistic with `df` degrees of freedom
// exceeds with the probability of a standard normal exceeding z.
double ChiSquareThreshold(double df, double z) {
    const double a = 2.0 / (9.0 * df);
    return df * std::pow(1.0 - a + z * std::sqrt(a), 3);
}

}  // namespace

TEST(GenCryptoPwdOutput, EveryClassInEveryPasswordAndEveryCharacterReached) {
    ConfigFile config;
    config.Write(kConfig);
    struct Case {
        int policyId;
        std::string specials;  // the special class the policy's set yields
    };
    for (const Case& c : {Case{0, "~!#$%^&*()-_=+\\|[{}]:,<.>?"}, Case{1, "!#"}, Case{2, ""},
                          Case{3, "! "}}) {
        SCOPED_TRACE(c.policyId);
        const std::string alphabet = kLower + kUpper + kDigits + c.specials;
        std::set<char> reached;
        for (unsigned int length = 6; length <= 40; ++length) {
            for (int round = 0; round < 20; ++round) {
                const std::string pwd = Generate(c.policyId, length);
                ASSERT_EQ(pwd.size(), length);
                ASSERT_NE(pwd.find_first_of(kLower), std::string::npos) << pwd;
                ASSERT_NE(pwd.find_first_of(kUpper), std::string::npos) << pwd;
                ASSERT_NE(pwd.find_first_of(kDigits), std::string::npos) << pwd;
                if (!c.specials.empty()) {
                    ASSERT_NE(pwd.find_first_of(c.specials), std::string::npos) << pwd;
                }
                ASSERT_EQ(pwd.find_first_not_of(alphabet), std::string::npos) << pwd;
                reached.insert(pwd.begin(), pwd.end());
            }
        }
        // 16,100 draws over at most 88 characters: a character never drawn
        // (a range cut short by one) would go unseen with probability < 1e-70.
        EXPECT_EQ(reached.size(), alphabet.size());
    }
}

// Each position against the pooled distribution, and each character against
// the others of its class, over 100,000 passwords of policy 0 at length 8
// (four of the eight characters are the guaranteed ones, so a shuffle that
// leaves them where they were drawn, or favours places, shows at once; so
// does a modulo bias within a class). The draws come from the kernel, so the
// test is not seeded: its thresholds are set at z = 7, a false failure
// probability of about 1e-12 each, far below 1e-6.
TEST(GenCryptoPwdOutput, PositionsAndCharactersUniformByChiSquare) {
    ConfigFile config;
    config.Write(kConfig);
    constexpr int kLength = 8;
    constexpr int kPasswords = 100000;
    const std::string classes[] = {kLower, kUpper, kDigits, "~!#$%^&*()-_=+\\|[{}]:,<.>?"};
    std::vector<std::array<double, kLength>> counts(256, std::array<double, kLength>{});
    for (int n = 0; n < kPasswords; ++n) {
        const std::string pwd = Generate(0, kLength);
        ASSERT_EQ(pwd.size(), static_cast<size_t>(kLength));
        for (int i = 0; i < kLength; ++i) ++counts[static_cast<unsigned char>(pwd[i])][i];
    }
    double positional = 0;
    double withinClass = 0;
    double withinClassDf = 0;
    int characters = 0;
    for (const std::string& cls : classes) {
        double classTotal = 0;
        for (char c : cls) {
            for (double count : counts[static_cast<unsigned char>(c)]) classTotal += count;
        }
        const double expectedPerChar = classTotal / static_cast<double>(cls.size());
        for (char c : cls) {
            const std::array<double, kLength>& byPosition = counts[static_cast<unsigned char>(c)];
            double pooled = 0;
            for (double count : byPosition) pooled += count;
            const double expectedPerPosition = pooled / kLength;
            for (double count : byPosition) {
                positional += (count - expectedPerPosition) * (count - expectedPerPosition) /
                              expectedPerPosition;
            }
            withinClass += (pooled - expectedPerChar) * (pooled - expectedPerChar) / expectedPerChar;
            ++characters;
        }
        withinClassDf += static_cast<double>(cls.size()) - 1;
    }
    ASSERT_EQ(characters, 88);
    const double positionalDf = (kLength - 1) * (characters - 1);
    EXPECT_LT(positional, ChiSquareThreshold(positionalDf, 7.0));
    EXPECT_LT(withinClass, ChiSquareThreshold(withinClassDf, 7.0));
}

TEST(GenCryptoPwdRand, StateUntouchedByAnyNumberOfCalls) {
    ConfigFile config;
    config.Write(kConfig);
    ASSERT_EQ(PPC_Initialize(nullptr, 0, 0), PPC_OK);
    srand(4242);
    const int first = rand();
    const int second = rand();
    srand(4242);
    for (int n = 0; n < 500; ++n) Generate(n % 4, 6 + n % 50);
    EXPECT_EQ(rand(), first);
    for (int n = 0; n < 500; ++n) Generate(0, 16);
    EXPECT_EQ(rand(), second);
}

// Processes forked after the same srand() share every byte of user memory:
// the old generator repeats itself, the new one must not.
TEST(GenCryptoPwdRand, ProcessesWithTheSameSeedDiffer) {
    ConfigFile config;
    config.Write(kConfig);
    ASSERT_EQ(PPC_Initialize(nullptr, 0, 0), PPC_OK);
    auto fromChild = [](bool crypto) {
        int fds[2];
        EXPECT_EQ(pipe(fds), 0);
        const pid_t pid = fork();
        if (pid == 0) {
            srand(20240607);
            char* pwd = nullptr;
            unsigned int pwdLen = 20;
            const unsigned int code = crypto ? PPC_GenCryptoPwdByPolicy(0, &pwd, &pwdLen)
                                             : PPC_GenSecPwdByPolicy(0, &pwd, &pwdLen);
            if (code == PPC_OK && write(fds[1], pwd, 20) == 20) _exit(0);
            _exit(1);
        }
        close(fds[1]);
        char text[20];
        const ssize_t got = read(fds[0], text, sizeof text);
        close(fds[0]);
        int status = -1;
        waitpid(pid, &status, 0);
        EXPECT_EQ(status, 0);
        return std::string(text, got > 0 ? static_cast<size_t>(got) : 0);
    };
    const std::string reproducible = fromChild(false);
    EXPECT_EQ(reproducible.size(), 20u);
    EXPECT_EQ(fromChild(false), reproducible);
    const std::string crypto = fromChild(true);
    EXPECT_EQ(crypto.size(), 20u);
    EXPECT_NE(fromChild(true), crypto);
}

// The length rules of PPC_GenSecPwdByPolicy: below 6 (2^31 and above
// included) the policy's minlen, a minlen below 6 the generator's 3006.
TEST(GenCryptoPwdLength, SameRulesAsTheReproducibleGenerator) {
    ConfigFile config;
    config.Write(kConfig);
    struct Case {
        int policyId;
        unsigned int requested;
        unsigned int generated;
    };
    for (const Case& c : {Case{1, 5, 9}, Case{1, 0, 9}, Case{1, 0xFFFFFFFFu, 9},
                          Case{1, 0x80000000u, 9}, Case{1, 6, 6}, Case{1, 40, 40},
                          Case{2, 0, 3006}, Case{0, 70000, 70000}}) {
        SCOPED_TRACE(c.requested);
        char* pwd = nullptr;
        unsigned int pwdLen = c.requested;
        allocSpy::calls = 0;
        ASSERT_EQ(PPC_GenCryptoPwdByPolicy(c.policyId, &pwd, &pwdLen), PPC_OK);
        EXPECT_EQ(pwdLen, c.generated);
        EXPECT_EQ(allocSpy::calls, 1);
        EXPECT_EQ(allocSpy::lastSize, c.generated + 1);
        EXPECT_EQ(strlen(pwd), c.generated);
        free(pwd);
    }
}

TEST(GenCryptoPwdFailure, AllocationFailureAndIntMaxReturn51AndAreLogged) {
    ConfigFile config;
    config.Write(kConfig);
    ASSERT_EQ(PPC_Initialize(nullptr, 0, 0), PPC_OK);
    testenv::ClearLog();
    char* pwd = kUntouched;
    unsigned int raisedLen = 0;
    allocSpy::fail = true;
    EXPECT_EQ(PPC_GenCryptoPwdByPolicy(1, &pwd, &raisedLen), PPC_ERR_ALLOC);
    allocSpy::fail = false;
    EXPECT_EQ(raisedLen, 9u);  // raised to minlen before the allocation failed
    unsigned int maxLen = 2147483647u;
    allocSpy::calls = 0;
    EXPECT_EQ(PPC_GenCryptoPwdByPolicy(0, &pwd, &maxLen), PPC_ERR_ALLOC);
    EXPECT_EQ(allocSpy::calls, 0);
    EXPECT_EQ(maxLen, 2147483647u);
    EXPECT_EQ(pwd, kUntouched);
    const std::vector<std::string> expected(
        2, "ERROR|PPC_GenCryptoPwdByPolicy|Call GenCryptoPwd failed : 51");
    EXPECT_EQ(LogEntries(), expected);
}

TEST(GenCryptoPwdFailure, AbsentPolicyLeavesOutputsUntouched) {
    ConfigFile config;
    config.Write(kConfig);
    char* pwd = kUntouched;
    unsigned int pwdLen = 5;
    allocSpy::calls = 0;
    EXPECT_EQ(PPC_GenCryptoPwdByPolicy(42, &pwd, &pwdLen), PPC_ERR_NO_POLICY);
    EXPECT_EQ(pwd, kUntouched);
    EXPECT_EQ(pwdLen, 5u);
    EXPECT_EQ(allocSpy::calls, 0);
    for (const std::string& entry : LogEntries()) EXPECT_NE(entry.rfind("ERROR|", 0), 0u) << entry;
}

TEST(GenCryptoPwdInit, FirstCallInitialisesWithoutDictionary) {
    ConfigFile config;
    config.Write(kConfig);  // its dictionary does not exist: loading it would fail
    EXPECT_EQ(Generate(0, 0 + 8).size(), 8u);
    EXPECT_EQ(ppcInitFlag, 1);
    EXPECT_EQ(gWeakPwdUseInd, 0);
}
