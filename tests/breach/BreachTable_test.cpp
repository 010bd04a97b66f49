// Breach tables built from generated passwords, read back, and refused when
// damaged.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "TestEnv.h"
#include "breach/BreachBuilder.h"
#include "breach/BreachFormat.h"
#include "breach/BreachHash.h"
#include "breach/BreachTable.h"

using breach::BreachTable;
using testenv::TempDir;

namespace {

std::vector<std::string> Passwords(const std::string& prefix, size_t count) {
    std::vector<std::string> passwords;
    for (size_t i = 0; i < count; ++i) passwords.push_back(prefix + std::to_string(i));
    return passwords;
}

// "HEX:count", the downloader's line for `password`.
std::string HashLine(const std::string& password, uint32_t count, bool upper = true) {
    uint8_t digest[breach::kSha1Bytes];
    breach::Sha1(password, digest);
    std::string line;
    char hex[3];
    for (uint8_t byte : digest) {
        std::snprintf(hex, sizeof hex, upper ? "%02X" : "%02x", byte);
        line += hex;
    }
    return line + ":" + std::to_string(count);
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

std::unique_ptr<BreachTable> Build(const TempDir& dir, const std::vector<std::string>& inputs,
                                   uint32_t minCount = 1, size_t memoryBytes = size_t{64} << 20,
                                   breach::BuildResult* out = nullptr) {
    breach::BuildOptions options;
    options.inputs = inputs;
    options.output = dir.Path() + "/table";
    options.minCount = minCount;
    options.memoryBytes = memoryBytes;
    const breach::BuildResult result = breach::BuildTable(options);
    EXPECT_EQ(result.error, "");
    if (out != nullptr) *out = result;
    std::string problem;
    auto table = BreachTable::Open(options.output, &problem);
    EXPECT_NE(table, nullptr) << problem;
    return table;
}

size_t CountFound(const BreachTable& table, const std::vector<std::string>& passwords) {
    return std::count_if(passwords.begin(), passwords.end(),
                         [&](const std::string& p) { return table.ContainsPassword(p); });
}

}  // namespace

TEST(BreachHash, KeyIsTheFirstEightDigestBytesBigEndian) {
    // SHA-1("password") = 5BAA61E4C9B93F3F0682250B6CF8331B7EE68FD8
    EXPECT_EQ(breach::KeyOfPassword("password"), 0x5BAA61E4C9B93F3FULL);
}

TEST(BreachBuild, HashListsInEitherCaseAndPlainListsGiveTheSameTable) {
    TempDir dir;
    const auto members = Passwords("member-", 5000);
    std::vector<std::string> upper, lower, plain;
    for (size_t i = 0; i < members.size(); ++i) {
        (i % 2 ? upper : lower).push_back(HashLine(members[i], 1, i % 2 == 1));
        plain.push_back(i % 3 == 0 ? "  " + members[i] + " \r" : members[i]);  // trimmed like the dictionary
    }
    auto fromHashes = Build(dir, {dir.WriteFile("upper", Joined(upper)), dir.WriteFile("lower", Joined(lower))});
    EXPECT_EQ(fromHashes->Entries(), members.size());
    EXPECT_EQ(CountFound(*fromHashes, members), members.size());
    EXPECT_EQ(CountFound(*fromHashes, Passwords("stranger-", 20000)), 0u);
    EXPECT_LE(fromHashes->FalsePositiveRate(), 1e-9);

    auto fromPlain = Build(dir, {dir.WriteFile("plain", Joined(plain) + "\n\r\n")});
    EXPECT_EQ(fromPlain->Entries(), members.size());  // empty lines add nothing
    EXPECT_EQ(CountFound(*fromPlain, members), members.size());
    EXPECT_FALSE(fromPlain->ContainsPassword("  member-0 "));  // lookups take trimmed text
}

TEST(BreachBuild, UnsortedInputSpilledToRunsLosesNothing) {
    TempDir dir;
    auto members = Passwords("shuffled-", 150000);
    std::shuffle(members.begin(), members.end(), std::mt19937(7));
    std::vector<std::string> lines;
    for (const std::string& m : members) lines.push_back(HashLine(m, 1));
    breach::BuildResult result;
    // 1 MiB holds 65536 keys: three runs.
    auto table = Build(dir, {dir.WriteFile("in", Joined(lines))}, 1, size_t{1} << 20, &result);
    EXPECT_EQ(result.runs, 3u);
    EXPECT_EQ(table->Entries(), members.size());
    EXPECT_EQ(CountFound(*table, members), members.size());
}

TEST(BreachBuild, MinCountSumsDuplicatesAcrossInputs) {
    TempDir dir;
    const std::string first = dir.WriteFile(
        "a", HashLine("often", 3) + "\n" + HashLine("seldom", 4) + "\n" + HashLine("often", 1, false) + "\n");
    const std::string second = dir.WriteFile("b", HashLine("often", 1) + "\n" + HashLine("twice", 2) + "\n");
    const std::string third = dir.WriteFile("c", "twice\ntwice\ntwice\n");  // a password list counts lines
    auto all = Build(dir, {first, second, third});
    EXPECT_EQ(all->Entries(), 3u);
    auto frequent = Build(dir, {first, second, third}, 5);
    EXPECT_TRUE(frequent->ContainsPassword("often"));   // 3 + 1 + 1
    EXPECT_TRUE(frequent->ContainsPassword("twice"));   // 2 + 3
    EXPECT_FALSE(frequent->ContainsPassword("seldom"));  // 4
    EXPECT_EQ(frequent->Entries(), 2u);
    EXPECT_EQ(frequent->Header().minCount, 5u);
}

TEST(BreachBuild, BadInputNamesFileAndLineAndLeavesNoTable) {
    TempDir dir;
    const std::string input = dir.WriteFile("in", HashLine("a", 1) + "\n" + HashLine("b", 1) + "x\n");
    breach::BuildOptions options;
    options.inputs = {input, dir.Path() + "/missing"};
    options.output = dir.Path() + "/table";
    EXPECT_EQ(breach::BuildTable(options).error, input + ":2: not a hash line (40 hex digits, then :count)");
    options.inputs = {dir.Path() + "/missing"};
    EXPECT_NE(breach::BuildTable(options).error.find("missing: No such file"), std::string::npos);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);  // only "in"
}

TEST(BreachBuild, EmptyInputMakesAnEmptyTable) {
    TempDir dir;
    auto table = Build(dir, {dir.WriteFile("in", "")});
    EXPECT_EQ(table->Entries(), 0u);
    EXPECT_FALSE(table->ContainsPassword("password"));
}

// Every way a file can fail the checks made when it is opened.
TEST(BreachOpen, DamagedFilesAreRefusedWithTheirProblem) {
    TempDir dir;
    Build(dir, {dir.WriteFile("in", Joined(Passwords("p", 1000)))});
    const std::string good = dir.Path() + "/table";
    std::string bytes;
    {
        std::ifstream in(good, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    auto patched = [&](size_t at, const std::string& with) {
        std::string copy = bytes;
        copy.replace(at, with.size(), with);
        return copy;
    };
    struct Case {
        const char* name;
        std::string content;
        const char* problem;
    };
    const Case cases[] = {
        {"empty", "", "truncated: file has 0 bytes, header says 128"},
        {"short header", bytes.substr(0, 100), "truncated: file has 100 bytes, header says 128"},
        {"bad magic", patched(0, "PK"), "bad magic: not a breach table"},
        {"wrong version", patched(8, std::string("\x02", 1)), "unsupported format version 2 (this reader knows 1)"},
        {"header checksum", patched(48, "\xff"), "header checksum mismatch"},
        {"truncated", bytes.substr(0, bytes.size() - 1), "truncated: file has"},
        {"size mismatch", bytes + "x", "size mismatch: file has"},
    };
    for (const Case& c : cases) {
        const std::string path = dir.WriteFile(c.name, c.content);
        std::string problem;
        EXPECT_EQ(BreachTable::Open(path, &problem), nullptr) << c.name;
        EXPECT_EQ(problem.rfind(c.problem, 0), 0u) << c.name << ": " << problem;
    }
    std::string problem;
    EXPECT_EQ(BreachTable::Open(dir.Path(), &problem), nullptr);
    EXPECT_EQ(problem, "not a regular file");
    EXPECT_EQ(BreachTable::Open(dir.Path() + "/none", &problem), nullptr);
    EXPECT_EQ(problem, "cannot open: No such file or directory");
}

// Data damaged after the header: opening cannot tell (it reads the header
// only), lookups must stay inside the mapping, and --verify must tell.
TEST(BreachOpen, DamagedDataKeepsLookupsInsideTheFile) {
    TempDir dir;
    const auto members = Passwords("m", 20000);
    Build(dir, {dir.WriteFile("in", Joined(members))});
    const std::string path = dir.Path() + "/table";
    const auto size = std::filesystem::file_size(path);
    for (const char fill : {'\xff', '\x55', '\0'}) {
        {
            std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
            file.seekp(breach::kHeaderBytes);
            std::string junk(size - breach::kHeaderBytes, fill);
            std::mt19937 random(fill);
            if (fill == '\x55') for (char& c : junk) c = static_cast<char>(random());
            file.write(junk.data(), static_cast<std::streamsize>(junk.size()));
        }
        std::string problem;
        auto table = BreachTable::Open(path, &problem);
        ASSERT_NE(table, nullptr) << problem;
        CountFound(*table, members);  // the sanitizer builds catch a stray read
        for (uint64_t key = 0; key < 4096; ++key) table->ContainsKey(key * 0x9E3779B97F4A7C15ULL);
        EXPECT_FALSE(table->VerifyData());
    }
}
