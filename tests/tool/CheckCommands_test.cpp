// ppc's command line and its check, weak, strong, policy and policies commands.
#include <pwdpolicy.h>

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
        {{"check", "a", "b"}, 2, "", usage},
        {{"check", "Blue-Kettle4"}, 0, "matches policy 0\n", ""},
        {{"check", "bluekettle42"}, 1, "has 2 character classes, policy requires 3\n", ""},
        {{"check", "--special-check", "Blue Kettle4"}, 1,
         "contains a character not in the policy's special set\n", ""},
        {{"check", "Blue Kettle4"}, 0, "matches policy 0\n", ""},
        {{"check", "--policy", "1", "BlueKettle42"}, 0, "matches policy 1\n", ""},
        {{"check", "--policy", "7", "Blue-Kettle4"}, 3, "", "PPC_ERR_NO_POLICY (3005): no policy 7"},
        {{"weak", "password"}, 1, "weak: in the weak-password dictionary\n", ""},
        {{"strong", "Summer-2024"}, 1, "not strong: in the weak-password dictionary\n", ""},
        {{"check", "--all-rules", "password"}, 1,
         "has 1 character class, policy requires 3; in the weak-password dictionary\n", ""},
        {{"check", "--old-password-fd", "0"}, 2, "", ""},  // both on standard input
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        const toolrun::Run run = Ppc(c.args, "x\ny\n");
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.out, c.out);
        EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
    }
    EXPECT_EQ(json::parse(Ppc({"check", "--json", "--policy", "7", "x"}).out).at("error").at("code"), 3005);
    fixture.config.Write(Config("/nonexistent/weak.dic"));  // without its dictionary no check pretends to work
    EXPECT_EQ(Ppc({"weak", "password"}).status, 3);
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
    EXPECT_EQ(json::parse(judged.out).at("reasons"), json::parse("[11, 13]"));
}

TEST(CheckCommand, BatchOnStandardInputAnswersLineByLine) {
    Fixture fixture;
    // CR LF line ends are dropped; an empty line is a password like any other.
    const toolrun::Run run = Ppc({"check"}, "Blue-Kettle4\r\nBk-4\n\nbluekettle42\nBlue-Kettle4");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(Lines(run.out), (std::vector<std::string>{
                                  "matches policy 0", "shorter than the minimum length 8",
                                  "shorter than the minimum length 8",
                                  "has 2 character classes, policy requires 3", "matches policy 0"}));
    // A NUL byte would cut a password short, and a line over the limit is not held: both refused, exit 2.
    const std::string tooLong(4097, 'a');
    for (const std::string& input : {std::string("Bk-4\npassword\0Zq9#xYwv77\n", 25), "Bk-4\n" + tooLong + "\n"}) {
        const toolrun::Run refused = Ppc({"weak"}, input);
        EXPECT_EQ(refused.status, 2);
        EXPECT_EQ(refused.out, "not weak\n");
    }
    EXPECT_EQ(Ppc({"check", tooLong.substr(1)}).status, 1);  // 4096 bytes: taken
}
