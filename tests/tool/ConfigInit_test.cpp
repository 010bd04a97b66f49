// ppc config init, under a scratch root (--root): the machine's real configuration is never touched.
#include <gtest/gtest.h>

#include <unistd.h>

#include "TestEnv.h"
#include "ToolRunner.h"

using toolrun::Ppc;

TEST(ConfigInit, PlacesMissingSamplesAndNeverReplacesAnOperatorsFile) {
    const std::string confDir = "/usr/local/vesticor/conf";
    testenv::TempDir samples;
    samples.WriteFile("ppc.conf", "[POLICY0]\nminlen=9\n");
    samples.WriteFile("weakpwd.dic", "password\nletmein\n");
    testenv::TempDir root;
    const std::vector<std::string> args{"config", "init", "--from", samples.Path(), "--root", root.Path()};
    EXPECT_EQ(Ppc(args).status, 0);
    const std::string conf = root.Path() + confDir + "/ppc.conf";
    const std::string dic = root.Path() + confDir + "/weakpwd.dic";
    EXPECT_EQ(testenv::ReadFile(conf), "[POLICY0]\nminlen=9\n");
    EXPECT_EQ(testenv::ReadFile(dic), "password\nletmein\n");

    // The operator edits the configuration and deletes the dictionary.
    root.WriteFile(confDir.substr(1) + "/ppc.conf", "[POLICY0]\nminlen=14\n");
    ASSERT_EQ(unlink(dic.c_str()), 0);
    EXPECT_EQ(Ppc(args).status, 0);
    EXPECT_EQ(testenv::ReadFile(conf), "[POLICY0]\nminlen=14\n");
    EXPECT_EQ(testenv::ReadFile(dic), "password\nletmein\n");
}
