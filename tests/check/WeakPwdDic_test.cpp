// The weak-password dictionary on files of its own (no configuration).
#include <gtest/gtest.h>

#include <list>
#include <map>
#include <string>

#include "FailingNew.h"
#include "TestEnv.h"
#include "check/WeakPwdDic.h"

using namespace std::string_literals;
using testenv::TempDir;
using EntryMap = std::map<int32_t, std::list<std::string>>;

// Each line is an entry of its exact bytes once trimmed, duplicates kept, up to the first empty one.
TEST(WeakPwdDic, LoadsTrimmedLinesUpToTheFirstEmptyOneAndComparesTrimmedPasswordsExactly) {
    TempDir dir;
    const EntryMap two{{6, {"abc123"}}, {8, {"password"}}};
    struct Case { const char* name; std::string content; EntryMap entries; } cases[] = {
        {"exact bytes", "abc\nabc\nxyz\n\tqrs\nPassword\n   \na\0b\n"s,
         {{3, {"abc", "abc", "xyz", "   ", "a\0b"s}}, {4, {"\tqrs"}}, {8, {"Password"}}}},
        {"crlf", "abc123\r\npassword\r\n\r\nlater1\r\n", two},
        {"no final newline", "abc123\npassword", two},
        {"padded, then a lone CR", "  abc123 \npassword\n\r\nlater1\n", two},
        {"empty first line", "\nabc123\n", {}},
        {"empty file", "", {}},
    };
    for (const Case& c : cases) {
        WeakPwdDic dic;
        ASSERT_EQ(dic.Init(dir.WriteFile("d", "later1\n")), 0);  // replaced, never merged
        ASSERT_EQ(dic.Init(dir.WriteFile("d", c.content)), 0) << c.name;
        EntryMap entries;
        for (const auto& [length, list] : dic.weakPwdMap()) entries[length].assign(list.begin(), list.end());
        EXPECT_EQ(entries, c.entries) << c.name;
        for (const auto& [length, list] : c.entries) EXPECT_TRUE(dic.IsWeakPwd(list.back())) << c.name;
        EXPECT_FALSE(dic.IsWeakPwd("later1")) << c.name;
    }
    // Trim drops one CR at the very end, then blanks at both ends; a password is trimmed, then compared.
    WeakPwdDic dic;
    ASSERT_EQ(dic.Init(dir.WriteFile("d", "abc\n\tqrs\nPassword\n   \na\0b\nsecret\n"s)), 0);
    const struct { std::string pwd, trimmed; bool weak; } compared[] = {
        {"abc", "abc", true},       {"abc \r", "abc", true},      {"abc\r ", "abc\r", false},
        {"\r", "", false},          {"", "", false},              {"   ", "   ", true},
        {" ", " ", false},          {" \r", " ", false},          {"  a b  ", "a b", false},
        {"\tqrs", "\tqrs", true},   {"qrs", "qrs", false},        {"abc\r\r", "abc\r", false},
        {"\rabc", "\rabc", false},  {" x\t ", "x\t", false},      {"a\0b "s, "a\0b"s, true},
        {"Password", "Password", true}, {"password", "password", false}, {"secret\r", "secret", true},
    };
    for (const auto& c : compared) {
        EXPECT_EQ(WeakPwdDic::Trim(c.pwd), c.trimmed) << '"' << c.pwd << '"';
        EXPECT_EQ(dic.IsWeakPwd(c.pwd), c.weak) << '"' << c.pwd << '"';
    }
}

// Many read blocks, a 200,000-byte line, no final LF; many entries share 16 tag bits on a probe path.
TEST(WeakPwdDic, LargeFileFindsEveryEntryAndNothingElse) {
    constexpr int kEntries = 1 << 18;
    const auto entry = [](int i) { return (i % 3 == 0 ? "w\0\x80"s : "w"s) + std::to_string(i); };
    const std::string longLine = std::string(200000, 'L') + "7";
    std::string content;
    for (int i = 0; i < kEntries; ++i) content += (i % 4 ? "" : "  ") + entry(i) + (i % 2 ? " \r\n" : "\n");
    content += longLine + "\nlast";
    TempDir dir;
    WeakPwdDic dic;
    ASSERT_EQ(dic.Init(dir.WriteFile("d", content)), 0);
    int wrong = 0;  // entries not found, near misses found
    for (int i = 0; i < kEntries; ++i) wrong += !dic.IsWeakPwd(entry(i)) + dic.IsWeakPwd(entry(i) + "~");
    EXPECT_EQ(wrong, 0);
    EXPECT_TRUE(dic.IsWeakPwd(longLine));
    EXPECT_FALSE(dic.IsWeakPwd(longLine.substr(1)));
    EXPECT_TRUE(dic.IsWeakPwd("last"));
}

TEST(WeakPwdDic, RunningOutOfMemoryKeepsTheContent) {
    TempDir dir;
    WeakPwdDic dic;
    ASSERT_EQ(dic.Init(dir.WriteFile("old", "letmein\n")), 0);
    std::string content;
    for (int i = 0; i < 300; ++i) content += "entry-" + std::to_string(i) + std::string(i % 40, 'q') + "\n";
    const std::string path = dir.WriteFile("new", content);
    for (long count = 0;; ++count) {
        std::string argument = path;  // moved in: the call itself allocates nothing
        testenv::FailAllocationAfter(count);
        const int32_t result = dic.Init(std::move(argument));
        testenv::FailAllocationAfter(-1);
        // A failure while the old content is freed, after the new one is in force, still succeeds.
        if (result == 0) break;
        ASSERT_TRUE(testenv::AllocationFailed()) << count;
        ASSERT_EQ(result, 12) << count;
        ASSERT_TRUE(dic.IsWeakPwd("letmein")) << count;
        ASSERT_EQ(dic.weakPwdMap().size(), 1u) << count;
    }
    EXPECT_FALSE(dic.IsWeakPwd("letmein"));
    EXPECT_TRUE(dic.IsWeakPwd("entry-299" + std::string(299 % 40, 'q')));
}
