#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "TestEnv.h"
#include "lifecycle/Globals.h"
#include "monitor/FileMonitor.h"
#include "pwdpolicy.h"

using testenv::ConfigFile;
using testenv::LogEntries;
using Lines = std::vector<std::string>;

namespace {

const std::string kPath = PPC_CONFIG_PATH;

std::string ConfigWithDictionary(const std::string& dicPath) {
    return "[BASIC]\nweakPwdDic=" + dicPath + "\n[POLICY0]\nminlen=9\nmaxlen=20\nminclass=3\n";
}

}  // namespace

TEST(Initialize, LogsEachStepInOrderAndNothingOnASecondCall) {
    ConfigFile config;
    testenv::TempDir dir;
    const std::string dic = dir.WriteFile("weak.dic", "abc\nabcd\nxyz\n");
    config.Write(ConfigWithDictionary(dic));
    testenv::ClearLog();
    ASSERT_EQ(PPC_Initialize("/not/read.conf", 0, 1), PPC_OK);
    EXPECT_EQ(LogEntries(), (Lines{
                                "INFO|PPC_Initialize|call InitializeLog completed",
                                "INFO|InitData|InitData call policyCfgObj.Init " + kPath,
                                "INFO|InitData|call weakpwdDic.Init  gWeakPwdUseInd=1",
                                "INFO|InitData|InitData call weakpwdDic.Init " + dic,
                                "INFO|Init|weakPwdMap.size()= 2",
                                "INFO|PPC_Initialize|call InitFileMonitor.Init  timerStartInd=0",
                                "INFO|PrintAllInfoToLog|************PwdPolicy component Info******************",
                                "INFO|PrintAllInfoToLog|PwdPolicyLib version 1.1.2",
                            }));
    EXPECT_EQ(ppcInitFlag, 1);

    // Already initialised: no lock, no line, and the arguments change nothing.
    config.Write("[POLICY0]\nminlen=1\n");
    testenv::ClearLog();
    EXPECT_EQ(PPC_Initialize(nullptr, 1, 0), PPC_ERR_ALREADY_INITIALIZED);
    EXPECT_EQ(PPC_Initialize(nullptr, 7, -7), PPC_ERR_ALREADY_INITIALIZED);
    EXPECT_EQ(LogEntries(), Lines{});
    EXPECT_EQ(gWeakPwdUseInd, 1);
    EXPECT_EQ(gMonitorFd, -1);
    EXPECT_EQ(policyCfgObj.GetPolicyByID(0)->minlen, 9);
}

TEST(Initialize, RejectsIndicatorsOtherThanZeroOrOne) {
    ConfigFile config;
    config.Write("[POLICY0]\nminlen=9\n");
    gWeakPwdUseInd = 0;
    testenv::ClearLog();
    EXPECT_EQ(PPC_Initialize(nullptr, 2, 1), PPC_ERR_BAD_ARGUMENT);
    EXPECT_EQ(PPC_Initialize(nullptr, 0, -1), PPC_ERR_BAD_ARGUMENT);
    EXPECT_EQ(PPC_Initialize(nullptr, -1, 0), PPC_ERR_BAD_ARGUMENT);
    EXPECT_EQ(LogEntries(), Lines{});
    EXPECT_EQ(gWeakPwdUseInd, 0);
    EXPECT_EQ(ppcInitFlag, 0);
    EXPECT_EQ(PPC_Initialize(nullptr, 0, 0), PPC_OK);
}

TEST(Initialize, MissingConfigurationGives3004ThenRecovers) {
    ConfigFile config;
    config.Remove();
    testenv::ClearLog();
    EXPECT_EQ(PPC_Initialize(nullptr, 0, 1), PPC_ERR_DATA_LOAD);
    EXPECT_EQ(LogEntries(), (Lines{"INFO|PPC_Initialize|call InitializeLog completed",
                                   "INFO|InitData|InitData call policyCfgObj.Init " + kPath}));
    EXPECT_EQ(ppcInitFlag, 0);
    EXPECT_EQ(policyCfgObj.GetPolicyByID(0), nullptr);

    config.Write("[POLICY0]\nminlen=9\n");
    EXPECT_EQ(PPC_Initialize(nullptr, 0, 0), PPC_OK);
    EXPECT_EQ(policyCfgObj.GetPolicyByID(0)->minlen, 9);
}

TEST(Initialize, DictionaryThatCannotBeLoadedGives3004UnlessUnused) {
    testenv::TempDir dir;
    const std::string missing = dir.Path() + "/missing.dic";
    struct Case {
        std::string configText;
        int weakPwdUseInd;
        unsigned int expected;
        std::string lastLine;
    } cases[] = {
        // No "weakPwdDic" key: the empty path cannot be opened. (First, since
        // a later load's path would stay in the store.)
        {"[POLICY0]\nminlen=9\n", 1, PPC_ERR_DATA_LOAD, "INFO|InitData|InitData call weakpwdDic.Init "},
        {ConfigWithDictionary(missing), 1, PPC_ERR_DATA_LOAD,
         "INFO|InitData|InitData call weakpwdDic.Init " + missing},
        {ConfigWithDictionary(missing), 0, PPC_OK,
         "INFO|PrintAllInfoToLog|PwdPolicyLib version 1.1.2"},
    };
    ConfigFile config;
    for (const Case& c : cases) {
        config.Write(c.configText);
        testenv::ClearLog();
        EXPECT_EQ(PPC_Initialize(nullptr, 0, c.weakPwdUseInd), c.expected);
        const Lines lines = LogEntries();
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back(), c.lastLine);
        // The configuration was loaded even when the dictionary failed.
        EXPECT_EQ(policyCfgObj.GetPolicyByID(0)->minlen, 9);
        EXPECT_EQ(gWeakPwdUseInd, c.weakPwdUseInd);
    }
    EXPECT_EQ(PPC_Finalize(), PPC_OK);
}

TEST(Finalize, ReportsUninitialisedAndKeepsTheStore) {
    ConfigFile config;
    config.Write("[POLICY0]\nminlen=11\n");
    const Lines notInitialised{"INFO|PPC_Finalize|call Finalize---",
                               "ERROR|PPC_Finalize|No initialize component"};
    testenv::ClearLog();
    EXPECT_EQ(PPC_Finalize(), PPC_ERR_NOT_INITIALIZED);
    EXPECT_EQ(LogEntries(), notInitialised);

    ASSERT_EQ(PPC_Initialize(nullptr, 0, 0), PPC_OK);
    testenv::ClearLog();
    EXPECT_EQ(PPC_Finalize(), PPC_OK);
    EXPECT_EQ(LogEntries(), Lines{"INFO|PPC_Finalize|call Finalize---"});
    testenv::ClearLog();
    EXPECT_EQ(PPC_Finalize(), PPC_ERR_NOT_INITIALIZED);
    EXPECT_EQ(LogEntries(), notInitialised);

    config.Remove();
    int limits[5] = {};
    const char* special = nullptr;
    EXPECT_EQ(PPC_GetPolicy(0, limits, 5, &special), PPC_OK);
    EXPECT_EQ(limits[0], 11);
}

TEST(Initialize, QueryInitialisesOnDemandWithoutMonitorOrTimer) {
    ConfigFile config;
    testenv::TempDir dir;
    config.Write(ConfigWithDictionary(dir.WriteFile("weak.dic", "Secret#123\n")));
    gWeakPwdUseInd = 0;
    testenv::ClearLog();
    unsigned int verdict = 99;
    EXPECT_EQ(PPC_IsMatchPolicy("Secret#123", 0, 0, &verdict), PPC_OK);
    EXPECT_EQ(verdict, PPC_MATCH);
    const Lines lines = LogEntries();
    auto has = [&lines](const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    };
    EXPECT_TRUE(has("INFO|InitData|call weakpwdDic.Init  gWeakPwdUseInd=1"));
    EXPECT_TRUE(has("INFO|PPC_Initialize|call InitFileMonitor.Init  timerStartInd=0"));
    EXPECT_FALSE(has("INFO|PPC_Initialize|call InitTimer.Init"));
    EXPECT_EQ(gMonitorFd, -1);
    EXPECT_EQ(PPC_Initialize(nullptr, 1, 1), PPC_ERR_ALREADY_INITIALIZED);
    unsigned int isWeak = 0;
    EXPECT_EQ(PPC_IsWeakPwd("Secret#123", &isWeak), PPC_OK);
    EXPECT_EQ(isWeak, 1u);
}
