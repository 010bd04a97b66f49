// A host with a global of its own that shares a name with one of the
// library's: the library keeps using its own. Before the library bound its
// references to itself, this host's "timerLock" of 1 (its own busy flag)
// made every tick look busy, and no reload ever ran.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <string>

#include "TestEnv.h"
#include "pwdpolicy.h"

// The host's own variable; it merely shares the name.
int32_t timerLock = 1;

// One tick of the reload timer, as SIGALRM runs it.
void HandlerTimeTask(int signalNumber);

namespace {

int MinLen() {
    int limits[5] = {};
    const char* special = nullptr;
    PPC_GetPolicy(0, limits, 5, &special);
    return limits[0];
}

std::string Config(const testenv::TempDir& dir, int minlen) {
    return "[BASIC]\nweakPwdDic=" + dir.WriteFile("weak.dic", "secret\n") +
           "\n[POLICY0]\nminlen=" + std::to_string(minlen) + "\n";
}

}  // namespace

TEST(HostSymbols, HostGlobalNamedTimerLockDoesNotStopReloads) {
    testenv::ConfigFile config;
    testenv::TempDir dir;
    config.Write(Config(dir, 8));
    ASSERT_EQ(PPC_Initialize(nullptr, 1, 1), PPC_OK);
    ASSERT_EQ(MinLen(), 8);

    config.Write(Config(dir, 11));
    HandlerTimeTask(SIGALRM);
    EXPECT_EQ(MinLen(), 11);
    EXPECT_EQ(timerLock, 1);  // the host's variable is its own
    EXPECT_EQ(PPC_Finalize(), PPC_OK);
}
