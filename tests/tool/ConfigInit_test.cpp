// ppc config init, under a scratch root (--root): the machine's real configuration is never touched.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/stat.h>
#include <unistd.h>

#include "TestEnv.h"
#include "ToolRunner.h"

using nlohmann::json;
using toolrun::Ppc;

static const std::string kConfDir = "/usr/local/vesticor/conf";

TEST(ConfigInit, PlacesMissingSamplesAndNeverReplacesAnOperatorsFile) {
    testenv::TempDir samples;
    samples.WriteFile("ppc.conf", "[BASIC]\nweakPwdDic=" + kConfDir + "/weakpwd.dic\n[POLICY0]\nminlen=9\n");
    samples.WriteFile("weakpwd.dic", "password\nletmein\n");
    testenv::TempDir root;
    const std::vector<std::string> args{"config", "init", "--from", samples.Path(), "--root", root.Path()};
    const toolrun::Run run = Ppc(args);
    EXPECT_EQ(run.status, 0) << run.err;
    const std::string conf = root.Path() + kConfDir + "/ppc.conf";
    const std::string dic = root.Path() + kConfDir + "/weakpwd.dic";
    EXPECT_EQ(toolrun::Lines(run.out),
              (std::vector<std::string>{"installed the sample " + conf, "installed the sample " + dic}));
    EXPECT_EQ(testenv::ReadFile(conf), testenv::ReadFile(samples.Path() + "/ppc.conf"));
    EXPECT_EQ(testenv::ReadFile(dic), "password\nletmein\n");
    struct stat info {};
    ASSERT_EQ(stat(conf.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0644u);

    // The operator edits the configuration and deletes the dictionary.
    root.WriteFile(kConfDir.substr(1) + "/ppc.conf", "[POLICY0]\nminlen=14\n");
    ASSERT_EQ(unlink(dic.c_str()), 0);
    std::vector<std::string> again = args;
    again.push_back("--json");
    const json report = json::parse(Ppc(again).out);
    EXPECT_EQ(report.at("files").at(0).at("action"), "kept");
    EXPECT_EQ(report.at("files").at(1).at("action"), "installed");
    EXPECT_EQ(testenv::ReadFile(conf), "[POLICY0]\nminlen=14\n");

    // A sample missing: nothing is placed.
    testenv::TempDir half;
    half.WriteFile("ppc.conf", "[POLICY0]\n");
    const toolrun::Run failed = Ppc({"config", "init", "--from", half.Path(), "--root", half.Path()});
    EXPECT_EQ(failed.status, 1);
    EXPECT_NE(failed.err.find("cannot read the sample " + half.Path() + "/weakpwd.dic"), std::string::npos);
    EXPECT_NE(access((half.Path() + "/usr").c_str(), F_OK), 0) << "created directories for nothing";
}
