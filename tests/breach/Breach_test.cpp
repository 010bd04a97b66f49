// Breach tables: built from lists, and used by the checks while ticks reload.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "TestEnv.h"
#include "breach/BreachBuilder.h"
#include "breach/BreachHash.h"
#include "breach/BreachTable.h"
#include "monitor/FileMonitor.h"
#include "lifecycle/Reloader.h"
#include "pwdpolicy.h"

using breach::BreachTable;

namespace {

// The downloader's line for `password`: 40 hex digits, ":count".
std::string HashLine(const std::string& password, uint32_t count) {
    uint8_t digest[breach::kSha1Bytes];
    breach::Sha1(password, digest);
    std::string line;
    for (uint8_t byte : digest) line += {"0123456789ABCDEF"[byte >> 4], "0123456789ABCDEF"[byte & 15]};
    return line + ":" + std::to_string(count);
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

// The table built from `inputs` at `output`, opened.
std::unique_ptr<BreachTable> Build(const std::vector<std::string>& inputs, const std::string& output,
                                   uint32_t minCount = 1) {
    breach::BuildOptions options;
    options.inputs = inputs;
    options.output = output;
    options.minCount = minCount;
    const breach::BuildResult result = breach::BuildTable(options);
    EXPECT_EQ(result.error, "");
    std::string problem;
    auto table = BreachTable::Open(output, &problem);
    EXPECT_NE(table, nullptr) << problem;
    return table;
}

bool IsWeak(const char* pwd) {
    unsigned int weak = 2;
    EXPECT_EQ(PPC_IsWeakPwd(pwd, &weak), PPC_OK);
    return weak == 1;
}

class BreachTest : public ::testing::Test {
protected:
    void SetUp() override {
        Build({dir_.WriteFile("list", "Breached1\nInBoth99\n")}, table_);
        WriteConfig(table_);
    }
    void TearDown() override { PPC_Finalize(); }
    void WriteConfig(const std::string& table) {
        config_.Write("[BASIC]\nweakPwdDic=" + dir_.WriteFile("dic.txt", "Dictionary1\n") +
                      "\nbreachedPwdTable=" + table + "\n[POLICY0]\nminlen=8\nmaxlen=16\nminclass=2\n");
    }
    std::string Path(const char* name) const { return dir_.Path() + "/" + name; }

    testenv::ConfigFile config_;
    testenv::TempDir dir_;
    const std::string table_ = dir_.Path() + "/breached.tbl";
};

}  // namespace

// Counts sum across inputs; bad input names its file and line and leaves no table; a missing table
// fails the load.
TEST_F(BreachTest, MinCountSumsDuplicatesAndBadInputLeavesNoTable) {
    const std::vector<std::string> inputs = {
        dir_.WriteFile("a", Joined({HashLine("often", 3), HashLine("seldom", 4), HashLine("often", 1).substr(0, 40)})),
        dir_.WriteFile("b", Joined({HashLine("often", 1), HashLine("twice", 2)})),
        dir_.WriteFile("c", "twice\ntwice\ntwice\n")};
    EXPECT_EQ(Build(inputs, Path("all"))->Entries(), 3u);
    auto frequent = Build(inputs, Path("frequent"), 5);
    EXPECT_TRUE(frequent->ContainsPassword("often"));    // 3 + 1 (a line without a count) + 1
    EXPECT_TRUE(frequent->ContainsPassword("twice"));    // 2 + 3
    EXPECT_FALSE(frequent->ContainsPassword("seldom"));  // 4
    auto empty = Build(inputs, Path("empty"), 6);
    EXPECT_EQ(empty->Entries(), 0u);
    EXPECT_FALSE(empty->ContainsPassword("often"));
    const std::string input = dir_.WriteFile("in", Joined({HashLine("a", 1), HashLine("b", 1) + "x"}));
    breach::BuildOptions options;
    options.inputs = {input, Path("missing")};
    options.output = Path("out");
    EXPECT_EQ(breach::BuildTable(options).error, input + ":2: not a hash line (40 hex digits, then :count)");
    options.inputs = {Path("missing")};
    EXPECT_NE(breach::BuildTable(options).error.find("missing: No such file"), std::string::npos);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.Path()), {}), 10);  // "in" the last added
    WriteConfig(Path("missing"));
    EXPECT_EQ(PPC_Initialize(nullptr, 0, 1), PPC_ERR_DATA_LOAD);
}

// A table renamed over the configured one is taken at the next tick, kept if its successor is unusable.
TEST_F(BreachTest, WeakWhenInTheTableAndReloadTakesATableRenamedOver) {
    ASSERT_EQ(PPC_Initialize(nullptr, 1, 1), PPC_OK);
    EXPECT_TRUE(IsWeak("Dictionary1"));
    EXPECT_TRUE(IsWeak("Breached1"));
    EXPECT_TRUE(IsWeak("  Breached1 \r"));  // trimmed as the dictionary trims
    EXPECT_FALSE(IsWeak("breached1"));
    EXPECT_FALSE(IsWeak(""));
    ASSERT_GE(gBreachTableWd[0], 0);
    Build({dir_.WriteFile("list", "Breached2\n")}, table_);  // written beside it and renamed over it
    HandlerTimeTask(SIGALRM);
    EXPECT_FALSE(IsWeak("Breached1"));
    EXPECT_TRUE(IsWeak("Breached2"));
    EXPECT_GE(gBreachTableWd[0], 0);  // the watch follows the new file
    ASSERT_EQ(rename(dir_.WriteFile("broken.tbl", "").c_str(), table_.c_str()), 0);
    HandlerTimeTask(SIGALRM);
    EXPECT_TRUE(IsWeak("Breached2"));  // the table in force stays

    // A base and a delta built after it: both screen, and both are watched.
    Build({dir_.WriteFile("list", "Breached2\n")}, table_);
    Build({dir_.WriteFile("list", "Breached3\n")}, Path("delta.tbl"));
    WriteConfig(table_ + ", " + Path("delta.tbl"));
    HandlerTimeTask(SIGALRM);
    EXPECT_TRUE(IsWeak("Breached2") && IsWeak("Breached3"));
    EXPECT_TRUE(gBreachTableWd[0] >= 0 && gBreachTableWd[1] >= 0);
}
