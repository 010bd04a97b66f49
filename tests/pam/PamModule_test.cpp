// pam_pwdpolicy as libpam runs it: pam_chauthtok on private service files
// (tests/pam.cmake) that stack the module, requisite, over pam_matrix. With
// the module first, a conversation answers pam_matrix's old password, then
// the module's "new" and "retype" prompts, then pam_matrix's own two; a
// password reaches pam_matrix's file only when the module let it through.
// uid_wrapper fakes the caller's uid, so the root cases need no root.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

extern "C" {
#include <libpamtest.h>
}

#include <string>
#include <vector>

#include "TestEnv.h"
#include "TestPasswords.h"

namespace {

using namespace testpasswords;

constexpr const char kOldPassword[] = "Old-Secret-1";
constexpr const char kUnavailable[] = "Password policy unavailable: ";

struct Outcome {
    int status = -1;                  // what pam_chauthtok returned
    std::vector<std::string> errors;  // PAM_ERROR_MSG texts, in order
};

class PamModule : public ::testing::Test {
protected:
    void SetUp() override {
        // Running as real root without uid_wrapper, a uid change would be
        // real and the configuration could not be restored afterwards.
        using Enabled = bool (*)();
        auto enabled = reinterpret_cast<Enabled>(dlsym(RTLD_DEFAULT, "uid_wrapper_enabled"));
        ASSERT_TRUE(enabled != nullptr && enabled()) << "run through ctest: uid_wrapper is not preloaded";
        BeCaller(1000);
        dictionary_ = dir_.WriteFile("weak.dic", std::string(kWeak) + "\n");
        config_.Write(ConfigText(dictionary_));
        passdb_ = dir_.WriteFile("passdb", std::string("alice:") + kOldPassword + ":pwdpolicy\n");
        setenv("PAM_MATRIX_PASSWD", passdb_.c_str(), 1);
    }

    static std::string ConfigText(const std::string& dictionary) {
        return "[BASIC]\nweakPwdDic=" + dictionary +
               "\n[POLICY0]\nminlen=8\nmaxlen=32\nminclass=3\nspecialchar=~!#$%^&*()-_=+\\|[{}]:,<.>?\n"
               "[POLICY1]\nminlen=12\nmaxlen=64\nminclass=4\nspecialchar=!#$%&*-_=+?\n";
    }

    // The saved uid stays 0, so a case can become root again.
    static void BeCaller(uid_t uid) { ASSERT_EQ(setresuid(uid, uid, 0), 0); }

    // Runs pam_chauthtok for alice on `service`, answering hidden prompts
    // with `answers` in order (and with no answer beyond them).
    static Outcome Change(const char* service, std::vector<const char*> answers) {
        // libpamtest copies each message into a buffer of the caller's and
        // reads answers without a bound: pad both.
        answers.resize(answers.size() + 8, nullptr);
        static char errorText[8][PAM_MAX_MSG_SIZE + 1];
        static char infoText[8][PAM_MAX_MSG_SIZE + 1];
        memset(errorText, 0, sizeof errorText);
        memset(infoText, 0, sizeof infoText);
        char* errors[8];
        char* infos[8];
        for (int i = 0; i < 8; ++i) {
            errors[i] = errorText[i];
            infos[i] = infoText[i];
        }
        pamtest_conv_data conv{answers.data(), nullptr, errors, infos};
        pam_testcase tests[] = {pam_test(PAMTEST_CHAUTHTOK, PAM_SUCCESS)};
        run_pamtest(service, "alice", &conv, tests, nullptr);
        Outcome outcome;
        outcome.status = tests[0].op_rv;
        for (const char* text : errors) {
            if (*text != '\0') outcome.errors.emplace_back(text);
        }
        return outcome;
    }

    // The password pam_matrix holds for alice.
    std::string Stored() const {
        const std::string line = testenv::ReadFile(passdb_);
        const size_t from = line.find(':') + 1;
        return line.substr(from, line.find(':', from) - from);
    }

    testenv::ConfigFile config_;
    testenv::TempDir dir_;
    std::string dictionary_;
    std::string passdb_;
};

TEST_F(PamModule, RefusesEachVerdictWithPpcsWords) {
    const struct {
        const char* service;
        const char* pwd;
        const char* error;
    } cases[] = {
        {"pwdpolicy", kShort, "BAD PASSWORD: shorter than the minimum length 8"},
        {"pwdpolicy", kTooLong, "BAD PASSWORD: longer than the maximum length 32"},
        {"pwdpolicy", kOneClass, "BAD PASSWORD: has 1 character class, policy requires 3"},
        {"pwdpolicy", kBlanks, "BAD PASSWORD: contains a character not in the policy's special set"},
        {"pwdpolicy", kWeak, "BAD PASSWORD: in the weak-password dictionary"},
        {"pwdpolicy_policy1", kShort, "BAD PASSWORD: shorter than the minimum length 12"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pwd);
        const Outcome outcome = Change(c.service, {kOldPassword, c.pwd, c.pwd, c.pwd, c.pwd});
        EXPECT_EQ(outcome.status, PAM_AUTHTOK_ERR);
        EXPECT_EQ(outcome.errors, std::vector<std::string>{c.error});
        EXPECT_EQ(Stored(), kOldPassword);
    }
}

TEST_F(PamModule, AcceptsAGoodPasswordSilently) {
    const Outcome outcome = Change("pwdpolicy", {kOldPassword, kStrong, kStrong, kStrong, kStrong});
    EXPECT_EQ(outcome.status, PAM_SUCCESS);
    EXPECT_TRUE(outcome.errors.empty());
    EXPECT_EQ(Stored(), kStrong);
}

TEST_F(PamModule, RetryAsksAgainAfterARefusalOrAMismatch) {
    // retry=2: a refusal, then a good password.
    Outcome outcome = Change("pwdpolicy_retry", {kOldPassword, kShort, kShort, kStrong, kStrong,
                                                 kStrong, kStrong});
    EXPECT_EQ(outcome.status, PAM_SUCCESS);
    EXPECT_EQ(outcome.errors, std::vector<std::string>{"BAD PASSWORD: shorter than the minimum length 8"});
    EXPECT_EQ(Stored(), kStrong);

    // A retype that differs uses up an attempt; two bad attempts end it.
    outcome = Change("pwdpolicy_retry", {kStrong, kWeak, kStrong, kWeak, kWeak, kStrong, kStrong});
    EXPECT_EQ(outcome.status, PAM_AUTHTOK_ERR);
    ASSERT_EQ(outcome.errors.size(), 2u);
    EXPECT_EQ(outcome.errors[1], "BAD PASSWORD: in the weak-password dictionary");
    EXPECT_EQ(Stored(), kStrong);

    // The default is one attempt.
    outcome = Change("pwdpolicy", {kStrong, kShort, kShort, kOneClass, kOneClass});
    EXPECT_EQ(outcome.status, PAM_AUTHTOK_ERR);
    EXPECT_EQ(outcome.errors.size(), 1u);
}

TEST_F(PamModule, EnforcingZeroWarnsAndLetsThePasswordThrough) {
    const Outcome outcome = Change("pwdpolicy_warn", {kOldPassword, kWeak, kWeak, kWeak, kWeak});
    EXPECT_EQ(outcome.status, PAM_SUCCESS);
    EXPECT_EQ(outcome.errors, std::vector<std::string>{"BAD PASSWORD: in the weak-password dictionary"});
    EXPECT_EQ(Stored(), kWeak);
}

TEST_F(PamModule, RootIsWarnedUnlessEnforceForRoot) {
    BeCaller(0);
    Outcome outcome = Change("pwdpolicy_root", {kOldPassword, kShort, kShort, kShort, kShort});
    EXPECT_EQ(outcome.status, PAM_AUTHTOK_ERR);
    EXPECT_EQ(Stored(), kOldPassword);

    outcome = Change("pwdpolicy", {kOldPassword, kShort, kShort, kShort, kShort});
    EXPECT_EQ(outcome.status, PAM_SUCCESS);
    EXPECT_EQ(outcome.errors, std::vector<std::string>{"BAD PASSWORD: shorter than the minimum length 8"});
    EXPECT_EQ(Stored(), kShort);
}

TEST_F(PamModule, UseAuthtokJudgesThePreviousModulesPasswordOnce) {
    // pam_set_items hands the module $PAM_AUTHTOK; retry=3 cannot ask again.
    setenv("PAM_AUTHTOK", kOneClass, 1);
    Outcome outcome = Change("pwdpolicy_authtok", {kOldPassword, kStrong, kStrong, kStrong, kStrong});
    EXPECT_EQ(outcome.status, PAM_AUTHTOK_ERR);
    EXPECT_EQ(outcome.errors,
              std::vector<std::string>{"BAD PASSWORD: has 1 character class, policy requires 3"});

    setenv("PAM_AUTHTOK", kStrong, 1);
    outcome = Change("pwdpolicy_authtok", {kOldPassword, kStrong, kStrong});
    EXPECT_EQ(outcome.status, PAM_SUCCESS);
    EXPECT_TRUE(outcome.errors.empty());
    unsetenv("PAM_AUTHTOK");
}

TEST_F(PamModule, UnusablePolicyRefusesBeforeAnyPrompt) {
    // In this order: the component keeps the first configuration it loads.
    const struct {
        const char* what;
        const char* service;
        std::string error;
    } cases[] = {
        {"no configuration", "pwdpolicy",
         "cannot load /usr/local/vesticor/conf/ppc.conf or the dictionary it names"},
        {"no dictionary", "pwdpolicy",
         "cannot load /usr/local/vesticor/conf/ppc.conf or the dictionary it names"},
        {"no policy 7", "pwdpolicy_policy7", "no policy 7 in /usr/local/vesticor/conf/ppc.conf"},
        {"bad option", "pwdpolicy_badoption", "bad module option retry=0"},
    };
    config_.Remove();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (std::string(c.what) == "no dictionary") config_.Write(ConfigText(dir_.Path() + "/absent.dic"));
        if (std::string(c.what) == "no policy 7") config_.Write(ConfigText(dictionary_));
        const Outcome outcome = Change(c.service, {});
        EXPECT_EQ(outcome.status, PAM_TRY_AGAIN);
        EXPECT_EQ(outcome.errors, std::vector<std::string>{kUnavailable + c.error});
    }
    // Root without enforce_for_root is told, and may go on.
    BeCaller(0);
    const Outcome outcome = Change("pwdpolicy_policy7", {kOldPassword, kShort, kShort, kShort, kShort});
    EXPECT_EQ(outcome.status, PAM_SUCCESS);
    EXPECT_EQ(outcome.errors, std::vector<std::string>{std::string(kUnavailable) +
                                                       "no policy 7 in /usr/local/vesticor/conf/ppc.conf"});
}

}  // namespace
