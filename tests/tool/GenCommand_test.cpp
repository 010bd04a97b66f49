// ppc gen.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>

#include "TestEnv.h"
#include "ToolRunner.h"

using nlohmann::json;
using toolrun::Lines;
using toolrun::Ppc;

namespace {

const char kConfig[] =
    "[POLICY0]\nminlen=10\nmaxlen=16\nminclass=4\nspecialchar=!#\n"
    "[POLICY2]\nminlen=12\nmaxlen=40\nspecialchar=\n"
    "[POLICY3]\nminlen=6\nspecialchar=space\n";

size_t CountUpper(const std::string& text) {
    return std::count_if(text.begin(), text.end(), [](unsigned char c) { return std::isupper(c) != 0; });
}

}  // namespace

TEST(GenCommand, ExitStatusAndRemarks) {
    testenv::ConfigFile config;
    config.Write(kConfig);
    const struct {
        std::vector<std::string> args;
        int status;
        size_t lines;
        std::string err;  // a part of standard error
    } cases[] = {
        {{"--count", "20"}, 0, 20, ""},
        {{"--policy", "5"}, 3, 0, "PPC_ERR_NO_POLICY (3005): no policy 5"},
        {{"--length", "5"}, 2, 0, ""},  // the library would replace it: refused up front
        {{"--count", "0"}, 2, 0, ""},
        {{"--length", "20"}, 0, 1, "above policy 0's maximum length 16"},
        {{"--reproducible"}, 0, 1, "predictable"},
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

    const json answer = json::parse(Ppc({"gen", "--json", "--policy", "2", "--length", "30", "--count=3"}).out);
    EXPECT_EQ(answer.at("policy"), 2);
    ASSERT_EQ(answer.at("passwords").size(), 3u);
    for (const std::string pwd : answer.at("passwords")) EXPECT_EQ(pwd.size(), 30u);
    config.Remove();
    EXPECT_EQ(Ppc({"gen"}).status, 3);
}

// Policy 2, length 6: rand()'s layout always holds two upper-case letters; the kernel generator's holds
// exactly one with probability about 0.2, so 200 miss it with probability below 1e-18. Policy 3's only
// special is the blank: a third of length-6 passwords would have one at an end; the redraw does not
// depend on the generator.
TEST(GenCommand, KernelGeneratorByDefaultAndBlankEndsAvoidedUnlessAllowed) {
    testenv::ConfigFile config;
    config.Write(kConfig);
    std::vector<std::string> args = {"gen", "--policy", "2", "--length", "6", "--count", "200"};
    const std::vector<std::string> fromKernel = Lines(Ppc(args).out);
    ASSERT_EQ(fromKernel.size(), 200u);
    auto oneUpper = [](const std::string& pwd) { return CountUpper(pwd) == 1; };
    EXPECT_TRUE(std::any_of(fromKernel.begin(), fromKernel.end(), oneUpper));
    args.push_back("--reproducible");
    const std::vector<std::string> fromRand = Lines(Ppc(args).out);
    ASSERT_EQ(fromRand.size(), 200u);
    for (const std::string& pwd : fromRand) EXPECT_GE(CountUpper(pwd), 2u) << pwd;

    auto blankEnded = [](const std::string& pwd) { return pwd.front() == ' ' || pwd.back() == ' '; };
    args = {"gen", "--policy", "3", "--count", "300"};
    for (bool allowed : {false, true}) {
        if (allowed) args.push_back("--allow-blank-ends");
        const std::vector<std::string> passwords = Lines(Ppc(args).out);
        ASSERT_EQ(passwords.size(), 300u);
        EXPECT_EQ(std::any_of(passwords.begin(), passwords.end(), blankEnded), allowed);
    }
}
