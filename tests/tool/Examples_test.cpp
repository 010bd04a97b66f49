// The example hosts under examples/, run as processes.
#include <gtest/gtest.h>

#include "TestEnv.h"
#include "ToolRunner.h"

TEST(Examples, HostsCheckGenerateAndFree) {
    testenv::ConfigFile config;
    testenv::TempDir dir;
    config.Write("[BASIC]\nweakPwdDic=" + dir.WriteFile("weak.dic", "Blue-Kettle-42\n") +
                 "\n[POLICY0]\nminlen=10\nmaxlen=20\nminclass=3\nspecialchar=-!\n");
    const toolrun::Run c = toolrun::RunProgram(EXAMPLE_C_HOST, {"Blue-Kettle-42"});
    EXPECT_EQ(c.status, 0) << c.err;
    EXPECT_EQ(c.out, "verdict for policy 0: 0 (matches)\nstrong: no\ngenerated a password of 10 characters\n");
    EXPECT_EQ(toolrun::RunProgram(EXAMPLE_C_HOST, {"short"}).out.rfind("verdict for policy 0: 1\n", 0), 0u);
    const toolrun::Run cpp = toolrun::RunProgram(EXAMPLE_CPP_HOST, {"Blue-Kettle-42"});
    EXPECT_EQ(cpp.status, 0) << cpp.err;
    EXPECT_EQ(cpp.out, "verdict for policy 0: 0 (matches)\nweak: yes\ngenerated a password of 16 characters\n");
    config.Remove();
    const toolrun::Run failed = toolrun::RunProgram(EXAMPLE_C_HOST, {});
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.err, "PPC_Initialize failed: 3004\n");
}
