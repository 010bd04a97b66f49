// ppc check, weak and strong, run as processes.
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>

#include "TestEnv.h"
#include "ToolRunner.h"

using nlohmann::json;
using toolrun::Lines;
using toolrun::Ppc;

namespace {

// Policy 0: 8 to 16 bytes, 3 classes, no blank in the special set.
// Policy 1: an empty special set.
std::string Config(const std::string& dictionary) {
    return "[BASIC]\nweakPwdDic=" + dictionary +
           "\n[POLICY0]\nminlen=8\nmaxlen=16\nminclass=3\nspecialchar=!#-_\n"
           "[POLICY1]\nspecialchar=\n";
}

struct Fixture {
    testenv::ConfigFile config;
    testenv::TempDir dir;
    Fixture() { config.Write(Config(dir.WriteFile("weak.dic", "password\nSummer-2024\n"))); }
};

}  // namespace

TEST(CheckCommand, EachVerdictInWordsWithItsExitStatus) {
    Fixture fixture;
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string text;
    } cases[] = {
        {{"check", "Blue-Kettle4"}, 0, "matches policy 0"},
        {{"check", "Bk-4"}, 1, "shorter than the minimum length 8"},
        {{"check", "Blue-Kettle-42-Sing"}, 1, "longer than the maximum length 16"},
        {{"check", "bluekettle42"}, 1, "has 2 character classes, policy requires 3"},
        {{"check", "kettlesong"}, 1, "has 1 character class, policy requires 3"},
        {{"check", "--special-check", "Blue Kettle4"}, 1,
         "contains a character not in the policy's special set"},
        {{"check", "Blue Kettle4"}, 0, "matches policy 0"},
        {{"check", "--policy", "1", "--special-check", "Blue-Kettle4"}, 1,
         "contains a character not in the policy's special set"},
        {{"check", "--policy", "1", "BlueKettle42"}, 0, "matches policy 1"},
    };
    for (const Case& c : cases) {
        const toolrun::Run run = Ppc(c.args);
        EXPECT_EQ(run.status, c.status) << c.args.back();
        EXPECT_EQ(run.out, c.text + "\n") << c.args.back();
    }
}

TEST(CheckCommand, MissingPolicyIsAComponentFailureNamedByCode) {
    Fixture fixture;
    const toolrun::Run run = Ppc({"check", "--policy", "7", "Blue-Kettle4"});
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("PPC_ERR_NO_POLICY (3005): no policy 7"), std::string::npos) << run.err;

    const toolrun::Run asJson = Ppc({"check", "--json", "--policy", "7", "x"});
    EXPECT_EQ(asJson.status, 3);
    const json error = json::parse(asJson.out).at("error");
    EXPECT_EQ(error.at("code"), 3005);
    EXPECT_EQ(error.at("name"), "PPC_ERR_NO_POLICY");
}

TEST(CheckCommand, UnloadableDataIsReportedAsDataLoadFailure) {
    testenv::ConfigFile config;
    config.Remove();
    for (const char* command : {"check", "weak", "strong"}) {
        const toolrun::Run run = Ppc({command, "Blue-Kettle4"});
        EXPECT_EQ(run.status, 3) << command;
        EXPECT_NE(run.err.find("PPC_ERR_DATA_LOAD (3004)"), std::string::npos) << run.err;
    }
    // The dictionary is loaded too: without it no check pretends to work.
    config.Write(Config("/nonexistent/weak.dic"));
    EXPECT_EQ(Ppc({"weak", "password"}).status, 3);
}

TEST(CheckCommand, BatchOnStandardInputAnswersLineByLine) {
    Fixture fixture;
    // CR LF line ends are dropped; an empty line is a password like any other.
    const std::string input = "Blue-Kettle4\r\nBk-4\n\nbluekettle42\nBlue-Kettle4";
    const toolrun::Run run = Ppc({"check"}, input);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(Lines(run.out), (std::vector<std::string>{
                                  "matches policy 0", "shorter than the minimum length 8",
                                  "shorter than the minimum length 8",
                                  "has 2 character classes, policy requires 3", "matches policy 0"}));

    const toolrun::Run dash = Ppc({"check", "--json", "-"}, input);
    const std::vector<std::string> lines = Lines(dash.out);
    ASSERT_EQ(lines.size(), 5u);
    const json third = json::parse(lines[3]);
    EXPECT_EQ(third.at("line"), 4);
    EXPECT_EQ(third.at("verdict"), 3);
    EXPECT_EQ(third.at("verdictName"), "PPC_TOO_FEW_CLASSES");
    EXPECT_EQ(third.at("matches"), false);
    EXPECT_EQ(json::parse(lines[4]).at("matches"), true);
    // No password is echoed back, in either form.
    EXPECT_EQ(dash.out.find("Kettle"), std::string::npos);
}

TEST(CheckCommand, BatchThatAllMatchesExitsZeroAndEmptyInputAnswersNothing) {
    Fixture fixture;
    EXPECT_EQ(Ppc({"check"}, "Blue-Kettle4\nRed-Kettle55\n").status, 0);
    const toolrun::Run empty = Ppc({"check"}, "");
    EXPECT_EQ(empty.status, 0);
    EXPECT_EQ(empty.out, "");
}

TEST(WeakCommand, DictionaryEntriesAreWeakAfterTrimming) {
    Fixture fixture;
    const toolrun::Run weak = Ppc({"weak", "password"});
    EXPECT_EQ(weak.status, 1);
    EXPECT_EQ(weak.out, "weak: in the weak-password dictionary\n");
    EXPECT_EQ(Ppc({"weak", "Password"}).status, 0);

    const toolrun::Run batch = Ppc({"weak", "--json"}, "  Summer-2024 \nBlue-Kettle4\n");
    const std::vector<std::string> lines = Lines(batch.out);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(json::parse(lines[0]).at("weak"), true);
    EXPECT_EQ(json::parse(lines[1]).at("weak"), false);
    EXPECT_EQ(batch.status, 1);
}

TEST(StrongCommand, SaysWhyAPasswordIsNotStrong) {
    Fixture fixture;
    const toolrun::Run strong = Ppc({"strong", "Blue-Kettle4"});
    EXPECT_EQ(strong.status, 0);
    EXPECT_EQ(strong.out, "strong\n");
    // Policy 0's maximum does not apply to the strong check.
    EXPECT_EQ(Ppc({"strong", "Blue-Kettle-42-Sing-Along"}).out, "strong\n");

    const toolrun::Run weak = Ppc({"strong", "Summer-2024"});
    EXPECT_EQ(weak.status, 1);
    EXPECT_EQ(weak.out, "not strong: in the weak-password dictionary\n");
    EXPECT_EQ(Ppc({"strong", "kettlesong"}).out,
              "not strong: has 1 character class, policy requires 3\n");

    const json answer = json::parse(Ppc({"strong", "--json", "Bk-4"}).out);
    EXPECT_EQ(answer.at("strong"), false);
    EXPECT_EQ(answer.at("message"), "not strong: shorter than the minimum length 8");
}

TEST(StrongCommand, NoPolicyZeroIsAFailure) {
    testenv::ConfigFile config;
    testenv::TempDir dir;
    config.Write("[BASIC]\nweakPwdDic=" + dir.WriteFile("weak.dic", "password\n") +
                 "\n[POLICY3]\nminlen=8\n");
    const toolrun::Run run = Ppc({"strong", "Blue-Kettle4"});
    EXPECT_EQ(run.status, 3);
    EXPECT_NE(run.err.find("PPC_ERR_NO_POLICY (3005): no policy 0"), std::string::npos);
}

// On a terminal the password is typed without echo, and the terminal is
// left as it was found.
TEST(PasswordInput, TerminalInputIsNotEchoed) {
    Fixture fixture;
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const std::string slavePath = ptsname(master);
    const std::string outPath = fixture.dir.Path() + "/out";

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, slavePath.c_str(), O_RDWR, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, 0, 2);
    posix_spawn_file_actions_addclose(&actions, master);
    char* argv[] = {const_cast<char*>(PPC_TOOL_PATH), const_cast<char*>("check"), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, PPC_TOOL_PATH, &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);

    std::string screen;
    auto readUntil = [&](const std::string& wanted, size_t from) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (screen.find(wanted, from) == std::string::npos &&
               std::chrono::steady_clock::now() < deadline) {
            pollfd ready{master, POLLIN, 0};
            if (poll(&ready, 1, 100) == 1) {
                char chunk[256];
                const ssize_t got = read(master, chunk, sizeof chunk);
                if (got <= 0) break;
                screen.append(chunk, got);
            }
        }
        return screen.find(wanted, from) != std::string::npos;
    };
    ASSERT_TRUE(readUntil("Password", 0));
    const size_t afterFirstPrompt = screen.size();
    ASSERT_EQ(write(master, "Blue-Kettle4\n", 13), 13);
    ASSERT_TRUE(readUntil("Password", afterFirstPrompt));
    ASSERT_EQ(write(master, "\x04", 1), 1);  // Ctrl-D on an empty line

    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    EXPECT_TRUE(WIFEXITED(wstatus) && WEXITSTATUS(wstatus) == 0);
    EXPECT_EQ(testenv::ReadFile(outPath), "matches policy 0\n");
    EXPECT_EQ(screen.find("Kettle"), std::string::npos) << screen;

    const int slave = open(slavePath.c_str(), O_RDWR | O_NOCTTY);
    struct termios after {};
    ASSERT_EQ(tcgetattr(slave, &after), 0);
    EXPECT_NE(after.c_lflag & ECHO, 0u);
    close(slave);
    close(master);
}
