#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "ReloadTestUtil.h"
#include "TestEnv.h"
#include "Watchdog.h"
#include "lifecycle/Globals.h"
#include "monitor/FileMonitor.h"
#include "lifecycle/Reloader.h"

namespace {

using namespace reloadtest;
using testenv::ConfigFile;

// With the parameter, a daemon's case: stdin closed, so the monitor is descriptor 0.
class Fork : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        dictionary_ = dir_.WriteFile("dic.txt", "alpha123\n");
        config_.Write(Config(dictionary_, 8));
        if (GetParam()) close(0);
        ASSERT_EQ(PPC_Initialize(nullptr, 1, 1), PPC_OK);
        if (GetParam()) ASSERT_EQ(gMonitorFd, 0);
    }

    testenv::ConfigFile config_;
    testenv::TempDir dir_;
    std::string dictionary_;
};

}  // namespace

// Bad indicators are refused before anything happens. Initialised, a second call, whatever its
// arguments, does nothing. Finalising reports when there is nothing to end and keeps the store.
TEST(Initialize, BadIndicatorsSecondCallsAndFinalize) {
    ConfigFile config;
    config.Write("[POLICY0]\nminlen=9\n");
    gWeakPwdUseInd = 0;
    for (const auto& [timer, dictionary] : {std::pair{2, 1}, {0, -1}, {-1, 0}}) {
        EXPECT_EQ(PPC_Initialize(nullptr, timer, dictionary), PPC_ERR_BAD_ARGUMENT) << timer << " " << dictionary;
    }
    EXPECT_EQ(gWeakPwdUseInd, 0);
    EXPECT_EQ(ppcInitFlag, 0);
    EXPECT_EQ(PPC_Finalize(), PPC_ERR_NOT_INITIALIZED);
    ASSERT_EQ(PPC_Initialize("/not/read.conf", 0, 0), PPC_OK);
    config.Write("[POLICY0]\nminlen=1\n");
    EXPECT_EQ(PPC_Initialize(nullptr, 1, 1), PPC_ERR_ALREADY_INITIALIZED);
    EXPECT_EQ(PPC_Initialize(nullptr, 7, -7), PPC_ERR_ALREADY_INITIALIZED);
    EXPECT_EQ(gWeakPwdUseInd, 0);
    EXPECT_EQ(gMonitorFd, -1);
    EXPECT_EQ(PPC_Finalize(), PPC_OK);
    EXPECT_EQ(PPC_Finalize(), PPC_ERR_NOT_INITIALIZED);
    config.Remove();
    EXPECT_EQ(MinLen(), 9);
}

// A load that fails leaves the component uninitialised with what the
// configuration put in force; the next call tries again.
TEST(Initialize, DataThatCannotBeLoadedGives3004UnlessUnused) {
    testenv::TempDir dir;
    const std::string missing = dir.Path() + "/missing.dic";
    const struct {
        std::string configText;  // empty: no file
        int weakPwdUseInd;
        unsigned int expected;
        int minlen;  // of the policy in force, 8 for the fallback of an absent one
    } cases[] = {
        {"", 1, PPC_ERR_DATA_LOAD, 8},
        {Config(missing, 10), 1, PPC_ERR_DATA_LOAD, 10},
        {Config(missing, 11), 0, PPC_OK, 11},
    };
    ConfigFile config;
    for (const auto& c : cases) {
        c.configText.empty() ? config.Remove() : config.Write(c.configText);
        EXPECT_EQ(PPC_Initialize(nullptr, 0, c.weakPwdUseInd), c.expected) << c.minlen;
        EXPECT_EQ(MinLen(), c.minlen);
        EXPECT_EQ(gWeakPwdUseInd, c.weakPwdUseInd);
        EXPECT_EQ(ppcInitFlag, c.expected == PPC_OK);
    }
}

// The last load's report through the C interface (source/reason@line): what each file gave, and every
// line or file it ignored or refused; a failed load reports too. The texts are the loaders' to choose.
TEST(Initialize, LoadReportNamesEveryFileAndIgnoredLine) {
    ConfigFile config;
    testenv::TempDir dir;
    const std::string dic = dir.WriteFile("weak.dic", "abc\n\nlater\n");
    auto visit = [] {
        std::string notes;
        PPC_VisitLoadReport([](const PPC_LoadNote* note, void* text) {
            *static_cast<std::string*>(text) += std::to_string(note->source) + "/" + std::to_string(note->reason) +
                                                "@" + std::to_string(note->line) + " ";
        }, &notes);
        return notes;
    };
    EXPECT_EQ(visit(), "");  // nothing loaded yet
    EXPECT_EQ(PPC_VisitLoadReport(nullptr, nullptr), PPC_ERR_BAD_ARGUMENT);
    config.Write("[BASIC]\nweakPwdDic=" + dic + "\ncolour=blue\n[POLICY0]\nminlen=9\n" + std::string(300, '#') +
                 "\n[Other]\nkey=1\n");
    ASSERT_EQ(PPC_Initialize(nullptr, 0, 1), PPC_OK);
    EXPECT_EQ(visit(), "0/4@3 0/1@6 0/3@8 0/0@0 1/6@2 1/0@0 ");
    ASSERT_EQ(PPC_Finalize(), PPC_OK);
    config.Remove();
    EXPECT_EQ(PPC_Initialize(nullptr, 0, 1), PPC_ERR_DATA_LOAD);
    EXPECT_EQ(visit(), "0/7@0 ");
}

// A child shares the parent's inotify instance: its tick reads nothing from it, its PPC_Finalize leaves
// the parent's watches (the child's write is still in the parent's queue), and initialised again it has
// a monitor of its own, which reloads for the child alone.
TEST_P(Fork, ChildNeitherReadsNorChangesParentWatches) {
    const int parentCfgWatch = gCfgFileWd;
    ASSERT_EQ(testenv::InChild([this] {
                  config_.Write(Config(dictionary_, 14));
                  HandlerTimeTask(SIGALRM);
                  if (MinLen() != 8) return 1;
                  if (PPC_Finalize() != PPC_OK || gMonitorFd != -1) return 2;
                  if (PPC_Initialize(nullptr, 1, 1) != PPC_OK || gMonitorFd < 0 || MinLen() != 14) return 3;
                  config_.Write(Config(dictionary_, 15));
                  HandlerTimeTask(SIGALRM);
                  if (MinLen() != 15) return 4;
                  return PPC_Finalize() == PPC_OK ? 0 : 5;
              }),
              0);
    EXPECT_EQ(gCfgFileWd, parentCfgWatch);
    HandlerTimeTask(SIGALRM);  // the parent's events were left for it
    EXPECT_EQ(MinLen(), 15);
}

TEST_P(Fork, ForkDuringReloadsGivesUsableChildren) {
    testenv::Watchdog watchdog(std::chrono::seconds(90));
    std::atomic<bool> stop{false};
    std::thread reloader([&] {
        for (int minlen = 8; !stop.load(); minlen = 17 - minlen) {
            config_.Write(Config(dictionary_, minlen));
            HandlerTimeTask(SIGALRM);
        }
    });
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(testenv::InChild([] {
                      unsigned int strong = 9;
                      const bool used = PPC_IsStrongPwd("Abcdefgh12!", &strong) == PPC_OK && strong == 1;
                      return used && PPC_Finalize() == PPC_OK ? 0 : 1;
                  }), 0) << "child " << i;
    }
    stop = true;
    reloader.join();
}

INSTANTIATE_TEST_SUITE_P(Lifecycle, Fork, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "MonitorOnDescriptor0" : "StdinOpen"; });
