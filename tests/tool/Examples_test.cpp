// The example hosts under examples/, run as processes.
#include <gtest/gtest.h>

#include "TestEnv.h"
#include "ToolRunner.h"

namespace {

void WriteConfig(const testenv::ConfigFile& config, const testenv::TempDir& dir) {
    config.Write("[BASIC]\nweakPwdDic=" + dir.WriteFile("weak.dic", "Blue-Kettle-42\n") +
                 "\n[POLICY0]\nminlen=10\nmaxlen=20\nminclass=3\nspecialchar=-!\n");
}

}  // namespace

TEST(Examples, CHostChecksGeneratesAndFrees) {
    testenv::ConfigFile config;
    testenv::TempDir dir;
    WriteConfig(config, dir);
    const toolrun::Run run = toolrun::RunProgram(EXAMPLE_C_HOST, {"Blue-Kettle-42"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "verdict for policy 0: 0 (matches)\nstrong: no\n"
              "generated a password of 10 characters\n");
    EXPECT_EQ(toolrun::RunProgram(EXAMPLE_C_HOST, {"short"}).out.rfind("verdict for policy 0: 1\n", 0), 0u);

    config.Remove();
    const toolrun::Run failed = toolrun::RunProgram(EXAMPLE_C_HOST, {});
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.err, "PPC_Initialize failed: 3004\n");
}

TEST(Examples, CppHostChecksGeneratesAndFrees) {
    testenv::ConfigFile config;
    testenv::TempDir dir;
    WriteConfig(config, dir);
    const toolrun::Run run = toolrun::RunProgram(EXAMPLE_CPP_HOST, {"Blue-Kettle-42"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "verdict for policy 0: 0 (matches)\nweak: yes\n"
              "generated a password of 16 characters\n");
}
