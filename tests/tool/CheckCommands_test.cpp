// ppc's command line and its check, weak, strong, policy and policies commands.
#include <fcntl.h>
#include <poll.h>
#include <pwdpolicy.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "TestEnv.h"
#include "ToolRunner.h"

using nlohmann::json;
using toolrun::Lines;
using toolrun::Ppc;

namespace {

// Policy 0: 8 to 16 bytes, 3 classes, no blank in the special set.
std::string Config(const std::string& dictionary) {
    return "[BASIC]\nweakPwdDic=" + dictionary +
           "\n[POLICY0]\nminlen=8\nmaxlen=16\nminclass=3\nspecialchar=!#-_\n[POLICY1]\nspecialchar=\n";
}

struct Fixture {
    testenv::ConfigFile config;
    testenv::TempDir dir;
    Fixture() { config.Write(Config(dir.WriteFile("weak.dic", "password\nSummer-2024\n"))); }
};

}  // namespace

TEST(CheckCommand, EachAnswerInWordsWithItsExitStatus) {
    Fixture fixture;
    const std::string usage = "Run with --help";
    const struct {
        std::vector<std::string> args;
        int status;
        std::string out;
        std::string err;  // a part of standard error
    } cases[] = {
        {{"--version"}, 0, PPC_VERSION "\n", ""},
        {{}, 2, "", usage},
        {{"check", "--policy", "x", "pwd"}, 2, "", usage},
        {{"check", "a", "b"}, 2, "", usage},
        {{"config"}, 2, "", usage},
        {{"check", "Blue-Kettle4"}, 0, "matches policy 0\n", ""},
        {{"check", "bluekettle42"}, 1, "has 2 character classes, policy requires 3\n", ""},
        {{"check", "--special-check", "Blue Kettle4"}, 1,
         "contains a character not in the policy's special set\n", ""},
        {{"check", "Blue Kettle4"}, 0, "matches policy 0\n", ""},
        {{"check", "--policy", "1", "BlueKettle42"}, 0, "matches policy 1\n", ""},
        {{"check", "--policy", "7", "Blue-Kettle4"}, 3, "", "PPC_ERR_NO_POLICY (3005): no policy 7"},
        {{"weak", "password"}, 1, "weak: in the weak-password dictionary\n", ""},
        {{"strong", "Blue-Kettle4"}, 0, "strong\n", ""},
        {{"strong", "Summer-2024"}, 1, "not strong: in the weak-password dictionary\n", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        const toolrun::Run run = Ppc(c.args);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.out, c.out);
        EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
    }
    const json error = json::parse(Ppc({"check", "--json", "--policy", "7", "x"}).out).at("error");
    EXPECT_EQ(error.at("code"), 3005);
    EXPECT_EQ(error.at("name"), "PPC_ERR_NO_POLICY");
    const json strong = json::parse(Ppc({"strong", "--json", "Bk-4"}).out);
    EXPECT_EQ(strong.at("strong"), false);
    EXPECT_EQ(strong.at("message"), "not strong: shorter than the minimum length 8");
}

// The context options judge with every rule; the old password comes from a descriptor, never the command line.
TEST(CheckCommand, ContextOptionsListEveryReason) {
    Fixture fixture;
    fixture.config.Write(Config(fixture.dir.WriteFile("weak.dic", "password\n")) +
                         "[POLICY2]\nminlen=8\nmaxlen=64\ncomposition=none\ncontextCheck=1\nminOldDiff=3\n");
    const toolrun::Run judged = Ppc({"check", "--json", "--policy", "2", "--user", "alice", "--old-password-fd",
                                     "0", "alice-in-chains-99"},
                                    "alice-in-chains-98\n");
    EXPECT_EQ(judged.status, 1);
    const json answer = json::parse(judged.out);
    EXPECT_EQ(answer.at("reasons"), json::parse("[11, 13]"));
    EXPECT_EQ(answer.at("reasonNames"), json::parse(R"(["PPC_REASON_CONTAINS_CONTEXT", "PPC_REASON_TOO_CLOSE_TO_OLD"])"));
    EXPECT_EQ(answer.at("verdict"), 0);
    const toolrun::Run word = Ppc({"check", "--policy", "2", "--context", "Vesticor", "-"}, "rocitsev\nBlue-Kettle\n");
    EXPECT_EQ(word.status, 1);
    EXPECT_EQ(word.out, "is the user name, a part of the user's name or a context word, or one reversed\n"
                        "matches policy 2\n");
    EXPECT_EQ(Ppc({"check", "--all-rules", "password"}).out,
              "has 1 character class, policy requires 3; in the weak-password dictionary\n");
    EXPECT_EQ(Ppc({"check", "--old-password-fd", "0"}, "x\ny\n").status, 2);  // both on standard input
}

TEST(CheckCommand, ComponentFailuresExitThree) {
    testenv::ConfigFile config;
    testenv::TempDir dir;
    // Without its dictionary no check pretends to work.
    config.Write(Config("/nonexistent/weak.dic"));
    const toolrun::Run run = Ppc({"weak", "password"});
    EXPECT_EQ(run.status, 3);
    EXPECT_NE(run.err.find("PPC_ERR_DATA_LOAD (3004)"), std::string::npos) << run.err;

    config.Write("[BASIC]\nweakPwdDic=" + dir.WriteFile("weak.dic", "password\n") + "\n[POLICY3]\nminlen=8\n");
    const toolrun::Run strong = Ppc({"strong", "Blue-Kettle4"});
    EXPECT_EQ(strong.status, 3);
    EXPECT_NE(strong.err.find("PPC_ERR_NO_POLICY (3005): no policy 0"), std::string::npos);
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

    const std::vector<std::string> lines = Lines(Ppc({"check", "--json", "-"}, input).out);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(json::parse(lines[3]), json::parse(R"({"line":4,"policy":0,"matches":false,"verdict":3,
        "verdictName":"PPC_TOO_FEW_CLASSES","message":"has 2 character classes, policy requires 3"})"));
    EXPECT_EQ(json::parse(lines[4]).at("matches"), true);

    // weak trims blanks, as the component does.
    const toolrun::Run weak = Ppc({"weak", "--json"}, "  Summer-2024 \nBlue-Kettle4\n");
    EXPECT_EQ(weak.status, 1);
    EXPECT_EQ(weak.out, R"({"line":1,"weak":true,"message":"weak: in the weak-password dictionary"})"
                        "\n" R"({"line":2,"weak":false,"message":"not weak"})" "\n");

    // A NUL byte would cut a password short, and a line over the limit is not held: both refused, exit 2.
    const std::string tooLong(4097, 'a');
    for (const auto& [input, why] : {std::pair{std::string("Bk-4\npassword\0Zq9#xYwv77\n", 25), "line 2: the password holds a NUL byte"},
                                     {"Bk-4\n" + tooLong + "\n", "line 2: the password is longer than 4096 bytes"}}) {
        const toolrun::Run refused = Ppc({"weak"}, input);
        EXPECT_EQ(refused.status, 2);
        EXPECT_EQ(refused.out, "not weak\n");
        EXPECT_NE(refused.err.find(why), std::string::npos) << refused.err;
    }
    EXPECT_EQ(Ppc({"check", tooLong}).status, 2);
    EXPECT_EQ(Ppc({"check", tooLong.substr(1)}).status, 1);  // 4096 bytes: taken
}

// Typed without echo; the terminal is left as it was found.
TEST(PasswordInput, TerminalInputIsNotEchoed) {
    Fixture fixture;
    const int master = open("/dev/ptmx", O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const std::string terminal = ptsname(master);
    const std::string outPath = fixture.dir.Path() + "/out";
    const pid_t pid = toolrun::Spawn(PPC_TOOL_PATH, {"check"}, terminal, outPath, "");

    std::string screen;
    auto readPrompt = [&screen, master] {  // false after 20 seconds
        const size_t from = screen.size();
        for (int tenths = 0; screen.find("Password", from) == std::string::npos; ++tenths) {
            pollfd ready{master, POLLIN, 0};
            char chunk[256];
            const ssize_t got = poll(&ready, 1, 100) == 1 ? read(master, chunk, sizeof chunk) : 0;
            if (got < 0 || tenths == 200) return false;
            screen.append(chunk, got);
        }
        return true;
    };
    ASSERT_TRUE(readPrompt());
    ASSERT_EQ(write(master, "Blue-Kettle4\n", 13), 13);
    ASSERT_TRUE(readPrompt());
    ASSERT_EQ(write(master, "\x04", 1), 1);  // Ctrl-D on an empty line

    EXPECT_EQ(toolrun::Wait(pid), 0);
    EXPECT_EQ(testenv::ReadFile(outPath), "matches policy 0\n");
    EXPECT_EQ(screen.find("Kettle"), std::string::npos) << screen;
    const int slave = open(terminal.c_str(), O_RDWR | O_NOCTTY);
    struct termios after {};
    ASSERT_EQ(tcgetattr(slave, &after), 0);
    EXPECT_NE(after.c_lflag & ECHO, 0u);
    close(slave);
    close(master);
}

// policies lists by id, each with the keys policy 0 sets and it does not.
TEST(PolicyCommand, ShowsOneOrEveryPolicy) {
    testenv::ConfigFile config;
    config.Write("[POLICY0]\nminlen=9\nmaxlen=20\nminclass=3\nallowminlen=7\nallowminclass=1\n"
                 "specialchar=!#space\n[POLICY12]\nmaxlen=64\n[POLICY1]\nminlen=10\n");
    const toolrun::Run run = Ppc({"policy"});
    EXPECT_EQ(run.status, 0);
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[1].rfind("  minlen         9 ", 0), 0u) << lines[1];
    EXPECT_EQ(lines[6], "  specialchar    !# and a blank");
    EXPECT_EQ(json::parse(Ppc({"policy", "12", "--json"}).out),
              json::parse(R"({"id":12,"minlen":9,"maxlen":64,"minclass":3,"allowminlen":7,"allowminclass":1,
                  "specialchar":"!# "})"));
    EXPECT_EQ(Ppc({"policy", "4"}).status, 3);  // the failure's words: check --policy 7

    const std::vector<std::string> table = Lines(Ppc({"policies"}).out);
    ASSERT_EQ(table.size(), 4u);
    EXPECT_EQ(table[0].rfind("policy  minlen  maxlen", 0), 0u);
    EXPECT_EQ(table[1].substr(0, 2) + table[2].substr(0, 2) + table[3].substr(0, 3), "0 1 12 ");
}
