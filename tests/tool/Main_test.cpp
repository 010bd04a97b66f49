// ppc's command line: help, version and usage errors.
#include <pwdpolicy.h>

#include <gtest/gtest.h>

#include "ToolRunner.h"

using toolrun::Ppc;

TEST(CommandLine, VersionIsTheLibraryVersion) {
    const toolrun::Run run = Ppc({"--version"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, PPC_VERSION "\n");
}

TEST(CommandLine, EveryCommandHasHelp) {
    for (std::vector<std::string> command :
         {std::vector<std::string>{}, {"check"}, {"weak"}, {"strong"}, {"gen"}, {"policy"},
          {"policies"}, {"config"}, {"config", "check"}, {"watch"}}) {
        command.push_back("--help");
        const toolrun::Run run = Ppc(command);
        EXPECT_EQ(run.status, 0) << command.front();
        EXPECT_NE(run.out.find("Usage: "), std::string::npos) << run.out;
        if (command.size() > 1) EXPECT_NE(run.out.find("--json"), std::string::npos) << run.out;
    }
}

TEST(CommandLine, UsageErrorsExitTwo) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, {"frobnicate"}, {"check", "--policy"},
          {"check", "--policy", "x", "pwd"}, {"check", "a", "b"}, {"check", "--nope", "a"},
          {"config"}, {"policy", "zero"}}) {
        const toolrun::Run run = Ppc(args);
        EXPECT_EQ(run.status, 2) << (args.empty() ? "(none)" : args.back());
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err, "");
    }
}
