// ppc breach build, info and check.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "TestEnv.h"
#include "ToolRunner.h"

using nlohmann::json;
using toolrun::Ppc;

TEST(BreachCommands, BuildInfoAndCheckAgree) {
    testenv::TempDir dir;
    // SHA-1 of "password" and of "letmein", as the downloaded list writes them.
    const std::string hashes = dir.WriteFile("hashes.txt", "5BAA61E4C9B93F3F0682250B6CF8331B7EE68FD8:9545824\r\n"
                                                           "b7a875fc1ea228b9061041b7cec4bd3c52ab3ce3:2\n");
    const std::string plain = dir.WriteFile("plain.txt", "qwerty\n  dragon \n");
    const std::string table = dir.Path() + "/breached.tbl";
    const toolrun::Run built = Ppc({"breach", "build", "-o", table, "--min-count", "2", hashes, plain});
    EXPECT_EQ(built.status, 0) << built.err;
    EXPECT_EQ(built.out.rfind(table + ": 2 entries from 4 read", 0), 0u) << built.out;
    EXPECT_EQ(json::parse(Ppc({"breach", "info", "--json", "--verify", table}).out)["entries"], 2);

    // Trimmed as the component trims; qwerty was seen once, below --min-count; last, the empty password.
    const toolrun::Run checked = Ppc({"breach", "check", table}, " password \nletmein\r\nqwerty\n\n");
    EXPECT_EQ(checked.status, 1);
    EXPECT_EQ(checked.out, "breached: in the table\nbreached: in the table\nnot breached\nnot breached\n");

    // A delta from a grown list on standard input, without what the table holds; then both as one set.
    const toolrun::Run delta = Ppc({"breach", "build", "-o", table + ".delta", "--skip-members-of", table, "-"},
                                   "password\nletmein\ndragon\n");
    EXPECT_EQ(delta.out.rfind(table + ".delta: 1 entries from 3 read (2 already in the set)", 0), 0u) << delta.out;
    const toolrun::Run both = Ppc({"breach", "check", table + "," + table + ".delta"}, "password\ndragon\nqwerty\n");
    EXPECT_EQ(both.out, "breached: in the table\nbreached: in the table\nnot breached\n");
}

TEST(BreachCommands, ProblemsAreReportedAndKeepTheOldTable) {
    testenv::TempDir dir;
    const std::string table = dir.Path() + "/breached.tbl";
    ASSERT_EQ(Ppc({"breach", "build", "-o", table, dir.WriteFile("ok.txt", "a\n")}).status, 0);
    EXPECT_EQ(Ppc({"breach", "build", "-o", table, "--format", "hashes", dir.WriteFile("bad.txt", "abc\n")}).status, 3);
    EXPECT_EQ(Ppc({"breach", "check", table, "a"}).status, 1);  // the old table is untouched
    EXPECT_EQ(Ppc({"breach", "info", dir.Path() + "/ok.txt"}).status, 3);

    // 12,000 entries fill 13 data pages; opening samples 8, not data page 2 (file page 3): --verify finds
    // a bit flipped there.
    std::string many;
    for (int i = 0; i < 12000; ++i) many += "pw" + std::to_string(i) + "\n";
    ASSERT_EQ(Ppc({"breach", "build", "-o", table, dir.WriteFile("many.txt", many)}).status, 0);
    std::string bytes = testenv::ReadFile(table);
    bytes[3 * 4096 + 100] ^= 1;
    dir.WriteFile("breached.tbl", bytes);
    const toolrun::Run verified = Ppc({"breach", "info", "--verify", table});
    EXPECT_EQ(verified.status, 1);
    EXPECT_NE(verified.out.find("DAMAGED: 1 of 13 (pages 3): rebuild the table"), std::string::npos) << verified.out;
}
