// pam_chauthtok through the module stacked over pam_matrix (tests/pam.cmake). Answers: the old password,
// the module's two prompts, then pam_matrix's two; a password reaches pam_matrix's file only if let through.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <locale.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

extern "C" {
#include <libpamtest.h>
}

#include "TestEnv.h"
#include "TestPasswords.h"

namespace {

using namespace testpasswords;

constexpr const char kOldPassword[] = "Old-Secret-1";
constexpr const char kUnavailable[] = "Password policy unavailable: ";

class PamModule : public ::testing::Test {
protected:
    void SetUp() override {
        auto enabled = reinterpret_cast<bool (*)()>(dlsym(RTLD_DEFAULT, "uid_wrapper_enabled"));
        ASSERT_TRUE(enabled != nullptr && enabled()) << "run through ctest: uid_wrapper is not preloaded";
        BeCaller(1000);
        dictionary_ = dir_.WriteFile("weak.dic", std::string(kWeak) + "\n");
        config_.Write(ConfigText(dictionary_));
        setenv("PAM_MATRIX_PASSWD", (dir_.Path() + "/passdb").c_str(), 1);
    }

    static std::string ConfigText(const std::string& dictionary) {
        return "[BASIC]\nweakPwdDic=" + dictionary +
               "\n[POLICY0]\nminlen=8\nmaxlen=32\nminclass=3\nspecialchar=~!#$%^&*()-_=+\\|[{}]:,<.>?\n"
               "[POLICY1]\nminlen=12\n[POLICY2]\nminlen=5\ncomposition=none\ncontextCheck=1\nminOldDiff=4\n";
    }

    static void BeCaller(uid_t uid) { ASSERT_EQ(setresuid(uid, uid, 0), 0); }

    // pam_chauthtok for alice, answering her old password then `typed`: its result and PAM_ERROR_MSG texts.
    std::pair<int, std::vector<std::string>> Change(const char* service, std::vector<const char*> typed) {
        dir_.WriteFile("passdb", std::string("alice:") + kOldPassword + ":pwdpolicy\n");
        // libpamtest copies messages to our buffers and reads answers unbounded: pad both.
        std::vector<const char*> answers{kOldPassword};
        answers.insert(answers.end(), typed.begin(), typed.end());
        answers.resize(answers.size() + 8, nullptr);
        static char text[16][PAM_MAX_MSG_SIZE + 1];
        memset(text, 0, sizeof text);
        char* buffers[16];
        for (int i = 0; i < 16; ++i) buffers[i] = text[i];
        pamtest_conv_data conv{answers.data(), nullptr, buffers, buffers + 8};
        pam_testcase tests[] = {pam_test(PAMTEST_CHAUTHTOK, PAM_SUCCESS)};
        run_pamtest(service, "alice", &conv, tests, nullptr);
        std::vector<std::string> errors;
        for (int i = 0; i < 8 && text[i][0] != '\0'; ++i) errors.emplace_back(text[i]);
        return {tests[0].op_rv, errors};
    }

    testenv::ConfigFile config_;
    testenv::TempDir dir_;
    std::string dictionary_;
};

// Policy 2 compares with alice's login name, her GECOS names (nss_wrapper) and the old password that
// a previous module set (pam_set_items); every reason is told, in the host's language.
TEST_F(PamModule, VerdictsRetriesContextAndWhoIsOnlyWarned) {
    const std::string bad = "BAD PASSWORD: ";
    const std::string weak = bad + "in the weak-password dictionary";
    const std::string shortOf8 = bad + "shorter than the minimum length 8";
    const struct {
        uid_t uid;
        const char* service;
        const char* authtok;  // set by a previous module (pam_set_items), or null
        std::vector<const char*> typed;
        int status;
        std::vector<std::string> errors;
        const char* stored;
    } cases[] = {
        {1000, "pwdpolicy_policy1", nullptr, {kShort, kShort}, PAM_AUTHTOK_ERR,
         {bad + "shorter than the minimum length 12"}, kOldPassword},
        // One attempt by default; retry=2 asks again, and a retype that differs uses up an attempt.
        {1000, "pwdpolicy", nullptr, {kShort, kShort, kStrong, kStrong}, PAM_AUTHTOK_ERR, {shortOf8},
         kOldPassword},
        {1000, "pwdpolicy_retry", nullptr, {kShort, kShort, kStrong, kStrong, kStrong, kStrong}, PAM_SUCCESS,
         {shortOf8}, kStrong},
        {1000, "pwdpolicy_retry", nullptr, {kWeak, kStrong, kWeak, kWeak, kStrong, kStrong}, PAM_AUTHTOK_ERR,
         {"Sorry, passwords do not match.", weak}, kOldPassword},
        {1000, "pwdpolicy_warn", nullptr, {kWeak, kWeak, kWeak, kWeak}, PAM_SUCCESS, {weak}, kWeak},
        {0, "pwdpolicy", nullptr, {kShort, kShort, kShort, kShort}, PAM_SUCCESS, {shortOf8}, kShort},
        {0, "pwdpolicy_root", nullptr, {kShort, kShort, kShort, kShort}, PAM_AUTHTOK_ERR, {shortOf8},
         kOldPassword},
        // use_authtok judges the previous module's password once: retry=3 cannot ask again.
        {1000, "pwdpolicy_authtok", kOneClass, {kStrong, kStrong, kStrong, kStrong}, PAM_AUTHTOK_ERR,
         {bad + "has 1 character class, policy requires 3"}, kOldPassword},
        {1000, "pwdpolicy_authtok", kStrong, {kStrong, kStrong}, PAM_SUCCESS, {}, kStrong},
        {1000, "pwdpolicy_context", nullptr, {"alice", "alice"}, PAM_AUTHTOK_ERR,
         {bad + "is the user name, a part of the user's name or a context word, or one reversed"}, kOldPassword},
        {1000, "pwdpolicy_context", nullptr, {"Liddell-Lumen-9", "Liddell-Lumen-9"}, PAM_AUTHTOK_ERR,
         {bad + "contains the user name, a part of the user's name or a context word"}, kOldPassword},
        {1000, "pwdpolicy_context", nullptr, {"old-secret-1", "old-secret-1"}, PAM_AUTHTOK_ERR,
         {bad + "is the old password, reversed or with its case changed; differs from the old password in too "
                "few characters"}, kOldPassword},
    };
    setenv("PAM_OLDAUTHTOK", kOldPassword, 1);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.service) + " " + c.typed[0] + " uid " + std::to_string(c.uid));
        BeCaller(c.uid);
        c.authtok ? setenv("PAM_AUTHTOK", c.authtok, 1) : unsetenv("PAM_AUTHTOK");
        const auto [status, errors] = Change(c.service, c.typed);
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(errors, c.errors);
        EXPECT_EQ(testenv::ReadFile(dir_.Path() + "/passdb"), std::string("alice:") + c.stored + ":pwdpolicy\n");
    }
    ASSERT_NE(setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "locale missing: scripts/install-deps.sh makes it";
    EXPECT_EQ(Change("pwdpolicy_context", {"Bk", "Bk"}).second,
              std::vector<std::string>{"SCHLECHTES PASSWORT: k\xc3\xbcrzer als die Mindestl\xc3\xa4nge 5"});
    setlocale(LC_ALL, "C");
}

TEST_F(PamModule, UnusablePolicyRefusesBeforeAnyPrompt) {
    const std::string noPolicy = kUnavailable + std::string("no policy 7 in /usr/local/vesticor/conf/ppc.conf");
    // In this order: the component keeps the first configuration it loads.
    config_.Write(ConfigText(dir_.Path() + "/absent.dic"));
    EXPECT_EQ(Change("pwdpolicy", {}), std::make_pair(PAM_TRY_AGAIN, std::vector<std::string>{kUnavailable +
        std::string("cannot load /usr/local/vesticor/conf/ppc.conf or the dictionary it names")}));
    config_.Write(ConfigText(dictionary_));
    EXPECT_EQ(Change("pwdpolicy_policy7", {}), std::make_pair(PAM_TRY_AGAIN, std::vector<std::string>{noPolicy}));
    EXPECT_EQ(Change("pwdpolicy_badoption", {}), std::make_pair(PAM_TRY_AGAIN, std::vector<std::string>{
        kUnavailable + std::string("bad module option retry=0")}));
    // Root without enforce_for_root is told, and may go on.
    BeCaller(0);
    EXPECT_EQ(Change("pwdpolicy_policy7", {kShort, kShort, kShort, kShort}),
              std::make_pair(PAM_SUCCESS, std::vector<std::string>{noPolicy}));
}

}  // namespace
