// ppc gen.
#include <gtest/gtest.h>

#include <algorithm>

#include "TestEnv.h"
#include "ToolRunner.h"

using toolrun::Lines;
using toolrun::Ppc;

TEST(GenCommand, ExitStatusAndRemarks) {
    testenv::ConfigFile config;
    config.Write("[POLICY0]\nminlen=10\nmaxlen=16\nminclass=4\nspecialchar=!#\n"
                 "[POLICY2]\nminlen=12\nmaxlen=40\nspecialchar=\n[POLICY3]\nminlen=6\nspecialchar=space\n");
    const struct {
        std::vector<std::string> args;
        int status;
        size_t lines;
        std::string err;  // a part of standard error
    } cases[] = {
        {{"--count", "20"}, 0, 20, ""},
        {{"--policy", "5"}, 3, 0, "PPC_ERR_NO_POLICY (3005): no policy 5"},
        {{"--length", "5"}, 2, 0, ""},  // the library would replace it: refused up front
        {{"--length", "20"}, 0, 1, "above policy 0's maximum length 16"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.begin(), "gen");
        SCOPED_TRACE(testing::PrintToString(args));
        const toolrun::Run run = Ppc(args);
        EXPECT_EQ(run.status, c.status);
        EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
        const std::vector<std::string> passwords = Lines(run.out);
        EXPECT_EQ(passwords.size(), c.lines);
        // The length asked for, else the policy's minlen.
        for (const std::string& pwd : passwords) EXPECT_EQ(pwd.size(), args[1] == "--length" ? 20u : 10u);
    }
    // Policy 3's only special is the blank: a third of length-6 passwords would have one at an end.
    auto blankEnded = [](const std::string& pwd) { return pwd.front() == ' ' || pwd.back() == ' '; };
    std::vector<std::string> args = {"gen", "--policy", "3", "--count", "300"};
    for (bool allowed : {false, true}) {
        if (allowed) args.push_back("--allow-blank-ends");
        const std::vector<std::string> passwords = Lines(Ppc(args).out);
        ASSERT_EQ(passwords.size(), 300u);
        EXPECT_EQ(std::any_of(passwords.begin(), passwords.end(), blankEnded), allowed);
    }
}
