#include <gtest/gtest.h>

#include "TestEnv.h"
#include "lifecycle/Globals.h"
#include "pwdpolicy.h"

using testenv::ConfigFile;

TEST(Initialize, LoadsPolicyFromFixedPath) {
    ConfigFile config;
    config.Write("[POLICY0]\nminlen=9\nmaxlen=20\nminclass=3\n");
    EXPECT_EQ(PPC_Initialize(nullptr, 0, 0), PPC_OK);
    int limits[5] = {};
    const char* special = nullptr;
    EXPECT_EQ(PPC_GetPolicy(0, limits, 5, &special), PPC_OK);
    EXPECT_EQ(limits[0], 9);
    EXPECT_EQ(limits[1], 20);
    EXPECT_EQ(PPC_Initialize(nullptr, 0, 0), PPC_ERR_ALREADY_INITIALIZED);
    EXPECT_EQ(PPC_Finalize(), PPC_OK);
    EXPECT_EQ(PPC_Finalize(), PPC_ERR_NOT_INITIALIZED);
}
