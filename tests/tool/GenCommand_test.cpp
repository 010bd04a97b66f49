// ppc gen, run as a process.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <set>

#include "TestEnv.h"
#include "ToolRunner.h"

using nlohmann::json;
using toolrun::Lines;
using toolrun::Ppc;

namespace {

const char kConfig[] =
    "[POLICY0]\nminlen=10\nmaxlen=16\nminclass=4\nspecialchar=!#\n"
    "[POLICY2]\nminlen=12\nmaxlen=40\nspecialchar=\n";

}  // namespace

TEST(GenCommand, PasswordsFollowThePolicyAndPassItsCheck) {
    testenv::ConfigFile config;
    config.Write(kConfig);
    const toolrun::Run run = Ppc({"gen", "--count", "20"});
    EXPECT_EQ(run.status, 0);
    const std::vector<std::string> passwords = Lines(run.out);
    ASSERT_EQ(passwords.size(), 20u);
    EXPECT_EQ(std::set<std::string>(passwords.begin(), passwords.end()).size(), 20u);
    for (const std::string& pwd : passwords) {
        EXPECT_EQ(pwd.size(), 10u) << pwd;  // the policy's minlen
        EXPECT_NE(pwd.find_first_of("!#"), std::string::npos) << pwd;
    }
    // Fed back through the checker in one batch, every one matches.
    // (check needs a dictionary; gen does not.)
    testenv::TempDir dir;
    config.Write(std::string(kConfig) + "[BASIC]\nweakPwdDic=" + dir.WriteFile("d", "x\n") + "\n");
    const toolrun::Run check = Ppc({"check", "--special-check"}, run.out);
    EXPECT_EQ(check.status, 0) << check.out;
}

TEST(GenCommand, LengthPolicyAndJson) {
    testenv::ConfigFile config;
    config.Write(kConfig);
    const json answer = json::parse(Ppc({"gen", "--json", "--policy", "2", "--length", "30",
                                         "--count", "3"}).out);
    EXPECT_EQ(answer.at("policy"), 2);
    ASSERT_EQ(answer.at("passwords").size(), 3u);
    for (const json& pwd : answer.at("passwords")) {
        const std::string text = pwd.get<std::string>();
        EXPECT_EQ(text.size(), 30u);
        // An empty special set: letters and digits only.
        for (char c : text) EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c))) << text;
    }
    // Above the policy's maximum: generated, with a remark for people.
    const toolrun::Run longer = Ppc({"gen", "--length", "20"});
    EXPECT_EQ(longer.status, 0);
    EXPECT_EQ(Lines(longer.out).at(0).size(), 20u);
    EXPECT_NE(longer.err.find("above policy 0's maximum length 16"), std::string::npos);
}

TEST(GenCommand, RefusedRequests) {
    testenv::ConfigFile config;
    config.Write(kConfig);
    const toolrun::Run noPolicy = Ppc({"gen", "--policy", "5"});
    EXPECT_EQ(noPolicy.status, 3);
    EXPECT_NE(noPolicy.err.find("PPC_ERR_NO_POLICY (3005): no policy 5"), std::string::npos);
    EXPECT_EQ(noPolicy.out, "");
    // Lengths below 6 would be replaced by the library: refused up front.
    EXPECT_EQ(Ppc({"gen", "--length", "5"}).status, 2);
    EXPECT_EQ(Ppc({"gen", "--count", "0"}).status, 2);
    EXPECT_EQ(Ppc({"gen", "--length", "ten"}).status, 2);

    config.Remove();
    const toolrun::Run noConfig = Ppc({"gen"});
    EXPECT_EQ(noConfig.status, 3);
    EXPECT_NE(noConfig.err.find("PPC_ERR_DATA_LOAD (3004)"), std::string::npos);
}
