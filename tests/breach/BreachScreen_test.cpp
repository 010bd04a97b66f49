// The breach table inside the component: the weak and strong checks, a
// table that cannot be used, and tables renamed over the configured path
// while checks run.
#include <gtest/gtest.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <string>
#include <thread>
#include <vector>

#include "TestEnv.h"
#include "Watchdog.h"
#include "breach/BreachBuilder.h"
#include "monitor/FileMonitor.h"
#include "monitor/ReloadTimer.h"
#include "pwdpolicy.h"

using testenv::LogEntries;

namespace {

bool IsWeak(const char* pwd) {
    unsigned int weak = 2;
    EXPECT_EQ(PPC_IsWeakPwd(pwd, &weak), PPC_OK);
    return weak == 1;
}

bool IsStrong(const char* pwd) {
    unsigned int strong = 2;
    EXPECT_EQ(PPC_IsStrongPwd(pwd, &strong), PPC_OK);
    return strong == 1;
}

bool Logged(const std::string& line) {
    const auto lines = LogEntries();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class BreachScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        dictionary_ = dir_.WriteFile("dic.txt", "Dictionary1\n");
        table_ = dir_.Path() + "/breached.tbl";
        BuildTable(table_, {"Breached1", "InBoth99"});
        WriteConfig(table_);
    }
    void TearDown() override {
        struct itimerval off {};
        setitimer(ITIMER_REAL, &off, nullptr);
        PPC_Finalize();
    }

    // A table of `passwords` at `path`, built beside it and renamed in.
    void BuildTable(const std::string& path, const std::vector<std::string>& passwords) {
        std::string list;
        for (const std::string& p : passwords) list += p + "\n";
        breach::BuildOptions options;
        options.inputs = {dir_.WriteFile("list.txt", list)};
        options.output = path;
        ASSERT_EQ(breach::BuildTable(options).error, "");
    }
    void WriteConfig(const std::string& table) {
        config_.Write("[BASIC]\nweakPwdDic=" + dictionary_ + "\nbreachedPwdTable=" + table +
                      "\n[POLICY0]\nminlen=8\nmaxlen=16\nminclass=2\n");
    }

    testenv::ConfigFile config_;
    testenv::TempDir dir_;
    std::string dictionary_;
    std::string table_;
};

}  // namespace

TEST_F(BreachScreenTest, WeakWhenInTheDictionaryOrTheTable) {
    ASSERT_EQ(PPC_Initialize(nullptr, 0, 1), PPC_OK);
    EXPECT_TRUE(Logged("INFO|InitData|InitData call breachTable.Open " + table_));
    EXPECT_TRUE(Logged("INFO|InitData|breachTable entries= 2"));
    EXPECT_TRUE(IsWeak("Dictionary1"));
    EXPECT_TRUE(IsWeak("Breached1"));
    EXPECT_TRUE(IsWeak("  Breached1 \r"));  // trimmed as the dictionary trims
    EXPECT_FALSE(IsWeak("breached1"));
    EXPECT_FALSE(IsWeak(""));
    EXPECT_FALSE(IsStrong("Breached1"));
    EXPECT_TRUE(IsStrong("Unbreached1"));
}

TEST_F(BreachScreenTest, AnUnusableTableFailsTheLoadWithItsProblem) {
    struct Case {
        const char* content;  // null: no file
        std::string problem;
    };
    const Case cases[] = {
        {nullptr, "cannot open: No such file or directory"},
        {"not a table, just text that is long enough to hold a header of 128 bytes......................"
         "......................................",
         "bad magic: not a breach table"},
    };
    for (const Case& c : cases) {
        const std::string path = dir_.Path() + "/unusable.tbl";
        unlink(path.c_str());
        if (c.content != nullptr) dir_.WriteFile("unusable.tbl", c.content);
        WriteConfig(path);
        testenv::ClearLog();
        EXPECT_EQ(PPC_Initialize(nullptr, 0, 1), PPC_ERR_DATA_LOAD);
        EXPECT_TRUE(Logged("ERROR|InitData|breachedPwdTable " + path + " cannot be used: " + c.problem))
            << c.problem;
    }
}

TEST_F(BreachScreenTest, ReloadTakesATableRenamedOverAndKeepsItWhenTheNextIsBroken) {
    ASSERT_EQ(PPC_Initialize(nullptr, 1, 1), PPC_OK);
    ASSERT_GE(gBreachTableWd, 0);
    EXPECT_TRUE(IsWeak("Breached1"));

    BuildTable(table_, {"Breached2"});  // written beside it and renamed over it
    testenv::ClearLog();
    HandlerTimeTask(SIGALRM);
    EXPECT_TRUE(Logged("INFO|HandlerTimeTask|Breach table changed\n"));
    EXPECT_FALSE(IsWeak("Breached1"));
    EXPECT_TRUE(IsWeak("Breached2"));
    EXPECT_GE(gBreachTableWd, 0);  // the watch follows the new file

    const std::string broken = dir_.WriteFile("broken.tbl", "");
    ASSERT_EQ(rename(broken.c_str(), table_.c_str()), 0);
    testenv::ClearLog();
    HandlerTimeTask(SIGALRM);
    EXPECT_TRUE(Logged("ERROR|InitData|breachedPwdTable " + table_ +
                       " cannot be used: truncated: file has 0 bytes, header says 128"));
    EXPECT_TRUE(IsWeak("Breached2"));  // the table in force stays
}

// Ticks due every millisecond, run by the checking threads themselves,
// while the main thread renames two tables over the configured path in
// turn. A password in both is weak in every check, one in neither never:
// no check sees no table, half a table or an unmapped one.
TEST_F(BreachScreenTest, ChecksStayRightWhileTicksSwapTables) {
    testenv::Watchdog watchdog(std::chrono::seconds(60));
    const std::string first = dir_.Path() + "/first.tbl";
    const std::string second = dir_.Path() + "/second.tbl";
    BuildTable(first, {"InBoth99", "OnlyFirst1"});
    BuildTable(second, {"InBoth99", "OnlySecond2"});
    ASSERT_EQ(PPC_Initialize(nullptr, 1, 1), PPC_OK);
    const struct itimerval often {{0, 1000}, {0, 1000}};
    setitimer(ITIMER_REAL, &often, nullptr);

    std::atomic<bool> stop{false};
    std::atomic<long> wrong{0}, checks{0};
    std::vector<std::thread> checkers;
    for (int i = 0; i < 2; ++i) {
        checkers.emplace_back([&] {
            while (!stop.load()) {
                unsigned int both = 0, neither = 1, strong = 2;
                PPC_IsWeakPwd("InBoth99", &both);
                PPC_IsWeakPwd("InNeither3", &neither);
                PPC_IsStrongPwd("InBoth99", &strong);
                if (both != 1 || neither != 0 || strong != 0) wrong.fetch_add(1);
                checks.fetch_add(1);
            }
        });
    }
    for (int flip = 0; flip < 100; ++flip) {
        const std::string& next = flip % 2 == 0 ? first : second;
        const std::string link = table_ + ".next";
        ASSERT_EQ(::link(next.c_str(), link.c_str()), 0);
        ASSERT_EQ(rename(link.c_str(), table_.c_str()), 0);
        usleep(5000);
    }
    stop = true;
    for (std::thread& checker : checkers) checker.join();
    EXPECT_EQ(wrong.load(), 0) << "of " << checks.load() << " checks";

    // The last table renamed in is the one in force once its tick has run.
    const struct itimerval off {};
    setitimer(ITIMER_REAL, &off, nullptr);
    HandlerTimeTask(SIGALRM);
    EXPECT_TRUE(IsWeak("OnlySecond2"));
    EXPECT_FALSE(IsWeak("OnlyFirst1"));
}
