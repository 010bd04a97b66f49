// ppc policy and ppc policies, run as processes.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "TestEnv.h"
#include "ToolRunner.h"

using nlohmann::json;
using toolrun::Lines;
using toolrun::Ppc;

TEST(PolicyCommand, ShowsLimitsAndNamesTheBlank) {
    testenv::ConfigFile config;
    config.Write("[POLICY0]\nminlen=9\nmaxlen=20\nminclass=3\nallowminlen=7\nallowminclass=1\n"
                 "specialchar=!#space\n");
    const toolrun::Run run = Ppc({"policy"});
    EXPECT_EQ(run.status, 0);
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0], "policy 0");
    EXPECT_EQ(lines[1].rfind("  minlen         9 ", 0), 0u) << lines[1];
    EXPECT_EQ(lines[6], "  specialchar    !# and a blank");

    const json policy = json::parse(Ppc({"policy", "0", "--json"}).out);
    EXPECT_EQ(policy, json::parse(R"({"id":0,"minlen":9,"maxlen":20,"minclass":3,
        "allowminlen":7,"allowminclass":1,"specialchar":"!# "})"));

    const toolrun::Run absent = Ppc({"policy", "4"});
    EXPECT_EQ(absent.status, 3);
    EXPECT_NE(absent.err.find("PPC_ERR_NO_POLICY (3005): no policy 4"), std::string::npos);
}

TEST(PoliciesCommand, ListsEveryPolicySectionOnceById) {
    testenv::ConfigFile config;
    // POLICY01 is policy 1 again; a section without keys never becomes a
    // policy; lower-case sections are not policy sections.
    config.Write("[BASIC]\ntimerInterval=5\n[POLICY0]\nminlen=8\nmaxlen=30\nspecialchar=!\n"
                 "[POLICY12]\nmaxlen=64\n[POLICY1]\nminlen=10\n[POLICY01]\nmaxlen=11\n"
                 "[POLICY7]\n[policy9]\nminlen=1\n");
    const toolrun::Run run = Ppc({"policies"});
    EXPECT_EQ(run.status, 0);
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 4u) << run.out;
    EXPECT_EQ(lines[0].rfind("policy  minlen  maxlen", 0), 0u);
    EXPECT_EQ(lines[1].rfind("0 ", 0), 0u);
    EXPECT_EQ(lines[2].rfind("1 ", 0), 0u);
    EXPECT_EQ(lines[3].rfind("12 ", 0), 0u);

    const json policies = json::parse(Ppc({"policies", "--json"}).out).at("policies");
    ASSERT_EQ(policies.size(), 3u);
    EXPECT_EQ(policies[1].at("minlen"), 10);
    EXPECT_EQ(policies[1].at("maxlen"), 11);
    // Later sections start as a copy of policy 0.
    EXPECT_EQ(policies[2].at("minlen"), 8);
    EXPECT_EQ(policies[2].at("maxlen"), 64);
    EXPECT_EQ(policies[2].at("specialchar"), "!");
}
