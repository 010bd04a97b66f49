// The weak-password dictionary on files of its own (no configuration).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <list>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "FailingNew.h"
#include "TestEnv.h"
#include "check/WeakPwdDic.h"

using testenv::TempDir;
using Lines = std::vector<std::string>;
using EntryMap = std::map<int32_t, std::list<std::string>>;

namespace {

Lines InitLines() {
    Lines lines;
    for (const std::string& line : testenv::LogEntries()) {
        if (line.find("|Init|") != std::string::npos) lines.push_back(line);
    }
    return lines;
}

// What the file should load, read independently of the component: LF
// separated lines, trimmed, up to the first empty one.
EntryMap ExpectedEntries(const std::string& content) {
    EntryMap entries;
    size_t start = 0;
    while (start < content.size()) {
        size_t end = content.find('\n', start);
        if (end == std::string::npos) end = content.size();
        const std::string entry = WeakPwdDic::Trim(content.substr(start, end - start));
        if (entry.empty()) break;
        entries[static_cast<int32_t>(entry.size())].push_back(entry);
        start = end + 1;
    }
    return entries;
}

// The lookup as a walk of the entries of one length.
bool WalkFinds(const EntryMap& entries, const std::string& pwd) {
    const std::string trimmed = WeakPwdDic::Trim(pwd);
    const auto list = entries.find(static_cast<int32_t>(trimmed.size()));
    if (list == entries.end()) return false;
    for (const std::string& entry : list->second) {
        if (entry == trimmed) return true;
    }
    return false;
}

void ExpectInvariants(const EntryMap& entries) {
    for (const auto& [length, list] : entries) {
        EXPECT_GE(length, 1);
        EXPECT_FALSE(list.empty());
        for (const std::string& entry : list) EXPECT_EQ(entry.size(), static_cast<size_t>(length));
    }
}

}  // namespace

TEST(WeakPwdDicTrim, RemovesOneTrailingCrThenBlanks) {
    struct Case {
        std::string in, out;
    } cases[] = {
        {"abc", "abc"},       {"abc \r", "abc"},      {"abc\r ", "abc\r"}, {"\r", ""},
        {"", ""},             {"   ", "   "},        {" \r", " "},        {"  a b  ", "a b"},
        {"\tabc", "\tabc"},   {"abc\r\r", "abc\r"},   {"\rabc", "\rabc"},  {" x\t ", "x\t"},
        {std::string("a\0b ", 4), std::string("a\0b", 3)},
    };
    for (const Case& c : cases) {
        std::string input = c.in;
        EXPECT_EQ(WeakPwdDic::Trim(input), c.out) << c.in;
        EXPECT_EQ(input, c.in);
    }
}

TEST(WeakPwdDic, ReadingStopsAtTheFirstEmptyLine) {
    TempDir dir;
    const EntryMap two{{6, {"abc123"}}, {8, {"password"}}};
    struct Case {
        const char* name;
        std::string content;
        EntryMap entries;
    } cases[] = {
        {"lf", "abc123\npassword\n\nlater1\n", two},
        {"crlf", "abc123\r\npassword\r\n\r\nlater1\r\n", two},
        {"no final newline", "abc123\npassword\n\nlater1", two},
        {"padded, then a lone CR", "  abc123 \npassword\n\r\nlater1\n", two},
        {"empty first line", "\nabc123\n", {}},
        {"empty file", "", {}},
    };
    for (const Case& c : cases) {
        WeakPwdDic dic;
        ASSERT_EQ(dic.Init(dir.WriteFile("d", "later1\n")), 0);  // replaced, never merged
        testenv::ClearLog();
        ASSERT_EQ(dic.Init(dir.WriteFile("d", c.content)), 0) << c.name;
        EXPECT_EQ(dic.weakPwdMap, c.entries) << c.name;
        EXPECT_EQ(dic.IsWeakPwd("abc123"), !c.entries.empty()) << c.name;
        EXPECT_FALSE(dic.IsWeakPwd("later1")) << c.name;
        EXPECT_EQ(InitLines(), Lines{"INFO|Init|weakPwdMap.size()= " + std::to_string(c.entries.size())})
            << c.name;
    }
}

TEST(WeakPwdDic, EntriesAreExactTrimmedBytesWithDuplicatesKept) {
    TempDir dir;
    WeakPwdDic dic;
    testenv::ClearLog();
    ASSERT_EQ(dic.Init(dir.WriteFile("d", "abc\nabc\nxyz\n\tqrs\nPassword\n   \nsecret\n")), 0);
    EXPECT_EQ(dic.weakPwdMap, (EntryMap{{3, {"abc", "abc", "xyz", "   "}},
                                        {4, {"\tqrs"}},
                                        {6, {"secret"}},
                                        {8, {"Password"}}}));
    EXPECT_EQ(InitLines(), Lines{"INFO|Init|weakPwdMap.size()= 4"});
    struct Case {
        const char* pwd;
        bool weak;
    } cases[] = {
        {"abc", true},      {"\tqrs", true},      {"qrs", false},     {"Password", true},
        {"password", false}, {"   ", true},        {" secret  ", true}, {"secret\r", true},
        {"secret\r ", false}, {"", false},         {" ", false},       {"abc\t", false},
    };
    for (const Case& c : cases) EXPECT_EQ(dic.IsWeakPwd(c.pwd), c.weak) << '"' << c.pwd << '"';
}

TEST(WeakPwdDic, IndexAgreesWithAWalkOfTheMap) {
    std::mt19937 random(20240611);
    const std::string alphabet = std::string("abcAB01 \t\r\x80\xff", 13) + std::string(1, '\0');
    auto randomText = [&](size_t maxLength) {
        std::string text(1 + random() % maxLength, ' ');
        for (char& ch : text) ch = alphabet[random() % alphabet.size()];
        return text;
    };
    std::string content;
    for (int i = 0; i < 5000; ++i) content += randomText(12) + "x\n";  // never empty when trimmed
    for (int i = 0; i < 200; ++i) content += randomText(3) + "\n";     // may end the dictionary

    TempDir dir;
    WeakPwdDic dic;
    ASSERT_EQ(dic.Init(dir.WriteFile("d", content)), 0);
    const EntryMap expected = ExpectedEntries(content);
    ASSERT_EQ(dic.weakPwdMap, expected);
    ExpectInvariants(dic.weakPwdMap);

    std::vector<std::string> entries;
    for (const auto& [length, list] : expected) entries.insert(entries.end(), list.begin(), list.end());
    int weakSeen = 0;
    for (int i = 0; i < 50000; ++i) {
        std::string probe;
        switch (random() % 3) {
            case 0: probe = entries[random() % entries.size()]; break;
            case 1: probe = std::string(random() % 3, ' ') + entries[random() % entries.size()] +
                            std::string(random() % 3, ' ') + (random() % 2 ? "\r" : ""); break;
            default: probe = randomText(14); break;
        }
        const bool weak = dic.IsWeakPwd(probe);
        ASSERT_EQ(weak, WalkFinds(dic.weakPwdMap, probe)) << probe;
        weakSeen += weak;
    }
    EXPECT_GT(weakSeen, 10000);
}

// Only LF ends an entry: NUL bytes are part of it. (Arbitrary binary
// content is the fuzzer's: fuzz/WeakPwdDic_fuzz.cpp.)
TEST(WeakPwdDic, NulBytesArePartOfEntries) {
    TempDir dir;
    WeakPwdDic dic;
    const std::string content("ab\0cd\n\0\0\nok\n", 12);
    ASSERT_EQ(dic.Init(dir.WriteFile("d", content)), 0);
    EXPECT_EQ(dic.weakPwdMap, ExpectedEntries(content));
    EXPECT_TRUE(dic.IsWeakPwd(std::string("ab\0cd", 5)));
    EXPECT_TRUE(dic.IsWeakPwd(std::string("\0\0", 2)));
    EXPECT_FALSE(dic.IsWeakPwd("ab"));
}

TEST(WeakPwdDic, LinesOfAHundredThousandBytes) {
    TempDir dir;
    const std::string huge(100000, 'x');
    const std::string other = std::string(70000, 'y') + "z";  // crosses read chunks
    WeakPwdDic dic;
    ASSERT_EQ(dic.Init(dir.WriteFile("d", "short\n" + huge + "\n" + other)), 0);
    EXPECT_EQ(dic.weakPwdMap.size(), 3u);
    EXPECT_TRUE(dic.IsWeakPwd(huge));
    EXPECT_TRUE(dic.IsWeakPwd(" " + other + " "));
    EXPECT_FALSE(dic.IsWeakPwd(huge.substr(1)));
    EXPECT_TRUE(dic.IsWeakPwd("short"));
}

TEST(WeakPwdDic, RunningOutOfMemoryKeepsTheContent) {
    TempDir dir;
    WeakPwdDic dic;
    ASSERT_EQ(dic.Init(dir.WriteFile("old", "letmein\n")), 0);
    std::string content;
    for (int i = 0; i < 300; ++i) content += "entry-number-" + std::to_string(i) + std::string(i % 40, 'q') + "\n";
    const std::string path = dir.WriteFile("new", content);
    for (long count = 0;; ++count) {
        std::string argument = path;  // moved in: the call itself allocates nothing
        testenv::FailAllocationAfter(count);
        const int32_t result = dic.Init(std::move(argument));
        testenv::FailAllocationAfter(-1);
        // A failure after the new content is in force (while the old one is
        // freed) still succeeds; any earlier one keeps the old content.
        if (result == 0) break;
        ASSERT_TRUE(testenv::AllocationFailed()) << count;
        ASSERT_EQ(result, 12) << count;
        ASSERT_TRUE(dic.IsWeakPwd("letmein")) << count;
        ASSERT_EQ(dic.weakPwdMap.size(), 1u) << count;
    }
    EXPECT_FALSE(dic.IsWeakPwd("letmein"));
    EXPECT_TRUE(dic.IsWeakPwd("entry-number-299" + std::string(299 % 40, 'q')));
}
