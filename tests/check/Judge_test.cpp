// PPC_JudgePassword's reasons, its verdict shared with PPC_IsMatchPolicy, and the edit distance.
#include <gtest/gtest.h>
#include <malloc.h>

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "TestEnv.h"
#include "breach/BreachBuilder.h"
#include "check/ContextRules.h"
#include "pwdpolicy.h"

using testenv::ConfigFile;
using testenv::TempDir;
using Reasons = std::vector<unsigned int>;


namespace {

// Policy 0 plain; 1 NIST SP 800-63B-4 with context and old-password rules; 2 limits runs; 3 counts code points;
// 4 allows no run at all.
std::string Config(const TempDir& dir) {
    breach::BuildOptions build;
    build.inputs = {dir.WriteFile("breached", "Breach-Secret-1\n")};
    build.output = dir.Path() + "/breached.tbl";
    EXPECT_EQ(breach::BuildTable(build).error, "");
    return "[BASIC]\nweakPwdDic=" + dir.WriteFile("weak.dic", "Passw0rd!\npassword-password\n") +
           "\nbreachedPwdTable=" + build.output +
           "\n[POLICY0]\nminlen=8\nmaxlen=16\nminclass=3\nspecialchar=!#-\n"
           "[POLICY1]\nminlen=15\nmaxlen=64\nlengthUnit=codepoint\nnormalize=NFKC\ncomposition=none\n"
           "contextCheck=1\nminOldDiff=4\n"
           "[POLICY2]\nminlen=4\nmaxlen=64\ncomposition=none\nmaxRepeat=2\nmaxSequence=3\nminOldDiff=8\n"
           "[POLICY3]\nminlen=8\nmaxlen=9\nminclass=1\nlengthUnit=codepoint\n"
           "[POLICY4]\nminlen=2\ncomposition=none\nmaxRepeat=1\nmaxSequence=1\n";
}

}  // namespace

TEST(JudgePassword, EveryReasonTheVerdictOfTheMatchCheckAndBadArguments) {
    ConfigFile config;
    TempDir dir;
    config.Write(Config(dir));
    // A word long enough to make the context grow after the others were added.
    const std::string longWord(130, 'q');
    const char* words[] = {"Vesticor", "J\xc3\xbcrgen", longWord.c_str(), nullptr};
    const PPC_PasswordContext alice{"alice.smith", "Alice Smith,Room 12,,", words, 3, "Blue-Kettle-Song-42"};
    const PPC_PasswordContext bob{"bob", nullptr, nullptr, 0, nullptr};  // no old password to be close to
    const struct Case {
        int policy;
        std::string pwd;
        unsigned int ind;
        const PPC_PasswordContext* context;
        Reasons reasons;
    } cases[] = {
        {0, "Abcdef1!", 0, nullptr, {}},
        {0, "abc", 1, nullptr, {PPC_REASON_TOO_SHORT, PPC_REASON_TOO_FEW_CLASSES}},
        {0, "abcdefgh?abcdefghi", 1, nullptr,
         {PPC_REASON_BAD_SPECIAL_CHAR, PPC_REASON_TOO_FEW_CLASSES, PPC_REASON_TOO_LONG}},
        {0, "Passw0rd!", 0, nullptr, {PPC_REASON_WEAK}},
        {0, "Breach-Secret-1", 0, nullptr, {PPC_REASON_BREACHED}},
        {0, "alice.smith", 0, &alice, {PPC_REASON_TOO_FEW_CLASSES}},  // no contextCheck: context unused
        {1, "correct horse battery", 1, &alice, {}},  // no class or special rule
        {1, "kurz-\xc3\xa4\xc3\xa4\xc3\xa4\xc3\xa4\xc3\xa4", 0, nullptr, {PPC_REASON_TOO_SHORT}},  // 10 code points
        {1, "\xff" "correct horse battery", 0, nullptr, {PPC_REASON_INVALID_UTF8}},
        {1, "\xef\xbd\x90\xef\xbd\x81\xef\xbd\x93\xef\xbd\x93\xef\xbd\x97\xef\xbd\x8f\xef\xbd\x92\xef\xbd\x84"
            "-password", 0, nullptr, {PPC_REASON_WEAK}},  // full-width "password" normalises to an entry
        {1, "HTIMS.ECILA", 0, &alice, {PPC_REASON_TOO_SHORT, PPC_REASON_EQUALS_CONTEXT}},  // reversed, any case
        {1, "\xef\xbc\xa1lice.Smith", 0, &alice,  // full-width A; its parts count too
         {PPC_REASON_TOO_SHORT, PPC_REASON_EQUALS_CONTEXT, PPC_REASON_CONTAINS_CONTEXT}},
        {1, "vesticor", 0, &alice, {PPC_REASON_TOO_SHORT, PPC_REASON_EQUALS_CONTEXT}},
        {1, "J\xc3\x9cRGEN-and-the-sea", 0, &alice, {PPC_REASON_CONTAINS_CONTEXT}},  // case folds beyond ASCII
        {1, "a-bedroom-with-a-view", 0, &alice, {PPC_REASON_CONTAINS_CONTEXT}},  // a part of the full name
        {1, "my-own-12-words-here", 0, &alice, {}},  // "12" is under 4 characters: only equality counts
        {1, "blue-kettle-song-42", 0, &alice, {PPC_REASON_EQUALS_OLD, PPC_REASON_TOO_CLOSE_TO_OLD}},
        {1, "24-gnoS-elttek-eulB", 0, &alice, {PPC_REASON_EQUALS_OLD}},
        {1, "Blue-Kettle-Sing-43", 0, &alice, {PPC_REASON_TOO_CLOSE_TO_OLD}},  // 2 changes, 4 asked
        {1, "Blue-Kettle-Sing-9999", 0, &alice, {}},                          // 5 changes
        {1, "Blue-Kettle-Song-42", 0, nullptr, {}},  // without its context
        {2, "xaab-zz", 0, &bob, {}},
        {2, "xaaab", 0, nullptr, {PPC_REASON_REPEATED_CHARS}},
        {2, "xabcdz", 0, nullptr, {PPC_REASON_SEQUENTIAL_CHARS}},
        {2, "x4321y", 0, nullptr, {PPC_REASON_SEQUENTIAL_CHARS}},
        {2, "x\x03\x02\x01", 0, nullptr, {}},  // a run of three down to U+0001 ends at the last character
        {4, "ac", 0, nullptr, {}}, {4, "ab", 0, nullptr, {PPC_REASON_SEQUENTIAL_CHARS}},  // limits of 1
        {4, "aa", 0, nullptr, {PPC_REASON_REPEATED_CHARS}},
        {2, "\xc3\xa0\xc3\xa1\xc3\xa2\xc3\xa3!", 0, nullptr, {PPC_REASON_SEQUENTIAL_CHARS}},  // U+E0..E3
        {3, "p\xc3\xa4sswort12", 0, nullptr, {PPC_REASON_TOO_LONG}},
        {3, "p\xe4sswort", 0, nullptr, {PPC_REASON_INVALID_UTF8}},  // Latin-1
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("policy " + std::to_string(c.policy) + " \"" + c.pwd + "\"");
        PPC_Judgement judgement;
        ASSERT_EQ(PPC_JudgePassword(c.pwd.c_str(), c.policy, c.ind, c.context, &judgement), PPC_OK);
        EXPECT_EQ(Reasons(judgement.reasons, judgement.reasons + judgement.reasonCount), c.reasons);
        unsigned int verdict = 99;
        ASSERT_EQ(PPC_IsMatchPolicy(c.pwd.c_str(), c.policy, c.ind, &verdict), PPC_OK);
        EXPECT_EQ(judgement.verdict, verdict);
        if (!c.reasons.empty() && c.reasons[0] <= PPC_INVALID_UTF8) EXPECT_EQ(judgement.verdict, c.reasons[0]);
    }
    PPC_Judgement judgement{77, 77, {}};  // bad arguments and an absent policy leave it alone
    const PPC_PasswordContext noWords{nullptr, nullptr, nullptr, 1, nullptr};
    EXPECT_EQ(PPC_JudgePassword(nullptr, 0, 0, nullptr, &judgement), PPC_ERR_BAD_ARGUMENT);
    EXPECT_EQ(PPC_JudgePassword("Abcdef1!", 0, 0, nullptr, nullptr), PPC_ERR_BAD_ARGUMENT);
    EXPECT_EQ(PPC_JudgePassword("Abcdef1!", 0, 2, nullptr, &judgement), PPC_ERR_BAD_ARGUMENT);
    EXPECT_EQ(PPC_JudgePassword("Abcdef1!", 0, 0, &noWords, &judgement), PPC_ERR_BAD_ARGUMENT);
    EXPECT_EQ(PPC_JudgePassword("Abcdef1!", 7, 0, nullptr, &judgement), PPC_ERR_NO_POLICY);
    EXPECT_EQ(judgement.verdict, 77u);
    EXPECT_EQ(judgement.reasonCount, 77u);
}

TEST(EditDistance, CountsChangesUpToTheCap) {
    const struct { std::u32string a, b; size_t cap, distance; } cases[] = {
        {U"kitten", U"sitting", 10, 3}, {U"kitten", U"sitting", 3, 3}, {U"kitten", U"sitting", 2, 2},
        {U"", U"abc", 5, 3},            {U"abc", U"", 5, 3},            {U"abcdef", U"abcdef", 4, 0},
        {U"abcdefgh", U"bcdefgha", 5, 2}, {U"abcdefgh", U"hgfedcba", 100, 8}, {U"ab", U"abcdef", 4, 4},
        {U"abcdefghij", U"abcdefghiX", 1, 1}, {U"flaw", U"lawn", 3, 2},
    };
    for (const auto& c : cases) EXPECT_EQ(EditDistanceUpTo(c.a, c.b, c.cap), c.distance) << c.cap;
}

// Copies of the password and of the old password (normalised, case-folded) are wiped before they are
// freed: while the judge runs, an interposed free() searches every freed block for a word of either, as
// UTF-8 and as UTF-32. (Not under AddressSanitizer, whose own free() must stay in place.)
#if !defined(__SANITIZE_ADDRESS__)
namespace {
std::atomic<bool> watchFrees{false};
std::atomic<int> unwipedFrees{0};
}  // namespace
extern "C" void __libc_free(void*);
extern "C" void free(void* block) {
    static const char32_t kWide[] = U"kettle";  // no allocation in here
    if (block != nullptr && watchFrees.load()) {
        const size_t size = malloc_usable_size(block);
        unwipedFrees += memmem(block, size, "the-sea", 7) != nullptr || memmem(block, size, "Kettle", 6) != nullptr ||
                        memmem(block, size, kWide, sizeof kWide - sizeof kWide[0]) != nullptr;
    }
    __libc_free(block);
}

TEST(JudgePassword, WipesTheCopiesItFrees) {
    ConfigFile config;
    TempDir dir;
    config.Write(Config(dir));
    const PPC_PasswordContext context{"alice", nullptr, nullptr, 0, "Blue-Kettle-Song-42"};
    PPC_Judgement judgement;
    ASSERT_EQ(PPC_JudgePassword("x", 1, 0, nullptr, &judgement), PPC_OK);  // loads the configuration
    watchFrees = true;
    const unsigned int code = PPC_JudgePassword("\xef\xbc\xa1LICE-the-sea-\xc3\x9c", 1, 0, &context, &judgement);
    watchFrees = false;
    EXPECT_EQ(code, PPC_OK);
    EXPECT_EQ(unwipedFrees.load(), 0);
}
#endif
