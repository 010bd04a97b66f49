// ppc gen, run as a process.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <set>

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
    return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return std::isupper(static_cast<unsigned char>(c)) != 0;
    }));
}

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

// Policy 2 has no special set. At length 6 the rand() generator lays out a
// lower-case letter, an upper-case letter, a digit and a second upper-case
// letter before its two free draws, so its passwords always hold two
// upper-case letters; the kernel generator guarantees one, and a password
// with exactly one comes with probability about 0.2. Over 200 passwords the
// tell fails to show with probability below 1e-18.
TEST(GenCommand, KernelGeneratorByDefaultRandOnlyOnRequestAndWithAWarning) {
    testenv::ConfigFile config;
    config.Write(kConfig);
    const std::vector<std::string> args = {"gen", "--policy", "2", "--length", "6", "--count", "200"};
    const toolrun::Run byDefault = Ppc(args);
    EXPECT_EQ(byDefault.status, 0);
    EXPECT_EQ(byDefault.err, "");
    const std::vector<std::string> kernel = Lines(byDefault.out);
    ASSERT_EQ(kernel.size(), 200u);
    EXPECT_TRUE(std::any_of(kernel.begin(), kernel.end(),
                            [](const std::string& pwd) { return CountUpper(pwd) == 1; }));

    std::vector<std::string> reproducibleArgs = args;
    reproducibleArgs.push_back("--reproducible");
    const toolrun::Run reproducible = Ppc(reproducibleArgs);
    EXPECT_EQ(reproducible.status, 0);
    EXPECT_NE(reproducible.err.find("predictable"), std::string::npos) << reproducible.err;
    const std::vector<std::string> fromRand = Lines(reproducible.out);
    ASSERT_EQ(fromRand.size(), 200u);
    for (const std::string& pwd : fromRand) EXPECT_GE(CountUpper(pwd), 2u) << pwd;
}

// Policy 3's only special character is the blank: at length 6 a third of the
// passwords would have it at an end, so 300 show the difference for sure.
TEST(GenCommand, BlankEndsAvoidedUnlessAllowed) {
    testenv::ConfigFile config;
    config.Write(kConfig);
    auto blankEnded = [](const std::string& pwd) { return pwd.front() == ' ' || pwd.back() == ' '; };
    for (const char* generator : {"", "--reproducible"}) {
        std::vector<std::string> args = {"gen", "--policy", "3", "--count", "300"};
        if (*generator) args.push_back(generator);
        const std::vector<std::string> avoided = Lines(Ppc(args).out);
        ASSERT_EQ(avoided.size(), 300u) << generator;
        EXPECT_TRUE(std::none_of(avoided.begin(), avoided.end(), blankEnded)) << generator;
        args.push_back("--allow-blank-ends");
        const std::vector<std::string> allowed = Lines(Ppc(args).out);
        ASSERT_EQ(allowed.size(), 300u) << generator;
        EXPECT_TRUE(std::any_of(allowed.begin(), allowed.end(), blankEnded)) << generator;
    }
}

// Golden figures, worked out once by exact counting: policy 0 draws from
// 64 characters (two specials), policy 3 from 63 with the blank.
TEST(GenCommand, JsonGivesGeneratorAndStrengthInBits) {
    testenv::ConfigFile config;
    config.Write(kConfig);
    struct Case {
        std::vector<std::string> args;
        std::string generator;
        double bits;
    } cases[] = {
        {{"gen", "--json"}, "kernel", 57.75},  // 10 characters; 10 * log2(64) would be 60
        {{"gen", "--json", "--policy", "3"}, "kernel", 30.73},
        {{"gen", "--json", "--policy", "3", "--allow-blank-ends"}, "kernel", 31.34},
        {{"gen", "--json", "--reproducible"}, "reproducible", 32},
    };
    for (const Case& c : cases) {
        const toolrun::Run run = Ppc(c.args);
        EXPECT_EQ(run.status, 0);
        const json answer = json::parse(run.out);
        EXPECT_EQ(answer.at("generator"), c.generator);
        EXPECT_DOUBLE_EQ(answer.at("strength_bits").get<double>(), c.bits) << run.out;
    }
}
