// How the loads read their files: short reads and reads a signal interrupts change nothing; a read error
// ends the file where it happens, as its end would, and the load report says where.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "ReadFaults.h"
#include "TestEnv.h"
#include "check/WeakPwdDic.h"
#include "policy/PolicyCfg.h"

namespace {

// What a load took, then "|" and its notes other than what it read.
std::string NotesOf(const LoadReport& report) {
    std::ostringstream text;
    text << "|";
    for (const LoadNote& note : report.Notes()) {
        if (note.reason != LoadReason::kRead) text << static_cast<int>(note.reason) << "@" << note.line << " ";
    }
    return text.str();
}

std::string LoadConfiguration(const std::string& path) {
    PolicyCfg store;
    LoadReport report;
    EXPECT_EQ(store.Load(path, &report), 0);
    std::ostringstream taken;
    for (const auto& [id, p] : store.policyMap) taken << id << ":" << p.minlen << "," << p.maxlen << " ";
    return taken.str() + store.weakPwdDicFile + NotesOf(report);
}

std::string LoadDictionary(const std::string& path) {
    WeakPwdDic dictionary;
    LoadReport report;
    EXPECT_EQ(dictionary.Load(path, &report), 0);
    std::string taken;
    for (const char* word : {"alpha1", "bravo22", "charlie333", "delta4444", "echo55555"}) {
        if (dictionary.IsWeakPwd(word)) taken += std::string(word) + " ";
    }
    return taken + NotesOf(report);
}

}  // namespace

TEST(InputFile, ShortAndInterruptedReadsChangeNothingAndAnErrorEndsTheFile) {
    testenv::TempDir dir;
    const std::string config = dir.WriteFile("ppc.conf", "[BASIC]\nweakPwdDic=/d\n[POLICY0]\nminlen=9\nmaxlen=20\n");
    const std::string dictionary = dir.WriteFile("weak.dic", "alpha1\nbravo22\ncharlie333\ndelta4444\necho55555");
    const std::string failed = "|" + std::to_string(static_cast<int>(LoadReason::kReadFailed)) + "@";
    const std::string whole = "0:9,20 /d|", allWords = "alpha1 bravo22 charlie333 delta4444 echo55555 |";
    const struct {
        const char* name;
        testenv::ReadFaults faults;
        std::string configuration, dictionary;
    } cases[] = {
        {"no fault", {}, whole, allWords},
        {"one byte a read", {1, false, -1}, whole, allWords},
        {"three bytes, interrupted", {3, true, -1}, whole, allWords},
        // Byte 41 begins line 5 of both: the lines before it stay, as if the file ended there.
        {"error at byte 41", {0, false, 41}, "0:9,15 /d" + failed + "5 ",
         "alpha1 bravo22 charlie333 delta4444 " + failed + "5 "},
        {"error at once", {0, false, 0}, failed + "1 ", failed + "1 "},
    };
    for (const auto& c : cases) {
        testenv::ArmReadFaults(config, c.faults);
        const std::string configuration = LoadConfiguration(config);
        testenv::ArmReadFaults(dictionary, c.faults);
        const std::string words = LoadDictionary(dictionary);
        testenv::DisarmReadFaults();
        EXPECT_EQ(configuration, c.configuration) << c.name;
        EXPECT_EQ(words, c.dictionary) << c.name;
    }
}
