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

// What a load took, and its notes other than what it read, as one line each.
struct Loaded {
    std::string taken;
    std::string notes;
};

std::string NotesOf(const LoadReport& report) {
    std::ostringstream text;
    for (const LoadNote& note : report.Notes()) {
        if (note.reason != LoadReason::kRead) text << static_cast<int>(note.reason) << "@" << note.line << " ";
    }
    return text.str();
}

Loaded LoadConfiguration(const std::string& path) {
    PolicyCfg store;
    LoadReport report;
    EXPECT_EQ(store.Load(path, &report), 0);
    std::ostringstream taken;
    for (const auto& [id, p] : store.policyMap) taken << id << ":" << p.minlen << "," << p.maxlen << " ";
    taken << store.weakPwdDicFile;
    return {taken.str(), NotesOf(report)};
}

Loaded LoadDictionary(const std::string& path) {
    WeakPwdDic dictionary;
    LoadReport report;
    EXPECT_EQ(dictionary.Load(path, &report), 0);
    std::string taken;
    for (const char* word : {"alpha1", "bravo22", "charlie333", "delta4444", "echo55555"}) {
        if (dictionary.IsWeakPwd(word)) taken += std::string(word) + " ";
    }
    return {taken, NotesOf(report)};
}

}  // namespace

TEST(InputFile, ShortAndInterruptedReadsChangeNothingAndAnErrorEndsTheFile) {
    testenv::TempDir dir;
    const std::string config = dir.WriteFile("ppc.conf", "[BASIC]\nweakPwdDic=/d\n[POLICY0]\nminlen=9\nmaxlen=20\n");
    const std::string dictionary = dir.WriteFile("weak.dic", "alpha1\nbravo22\ncharlie333\ndelta4444\necho55555");
    const std::string readFailed = std::to_string(static_cast<int>(LoadReason::kReadFailed));
    const struct {
        const char* name;
        testenv::ReadFaults faults;
        Loaded configuration, dictionary;
    } cases[] = {
        {"no fault", {}, {"0:9,20 /d", ""}, {"alpha1 bravo22 charlie333 delta4444 echo55555 ", ""}},
        {"one byte a read", {1, false, -1}, {"0:9,20 /d", ""}, {"alpha1 bravo22 charlie333 delta4444 echo55555 ", ""}},
        {"interrupted", {0, true, -1}, {"0:9,20 /d", ""}, {"alpha1 bravo22 charlie333 delta4444 echo55555 ", ""}},
        {"three bytes, interrupted", {3, true, -1}, {"0:9,20 /d", ""}, {"alpha1 bravo22 charlie333 delta4444 echo55555 ", ""}},
        // Byte 41 begins line 5 of both: the lines before it stay, as if the file ended there.
        {"error at byte 41", {0, false, 41}, {"0:9,15 /d", readFailed + "@5 "},
         {"alpha1 bravo22 charlie333 delta4444 ", readFailed + "@5 "}},
        {"error at once", {0, false, 0}, {"", readFailed + "@1 "}, {"", readFailed + "@1 "}},
    };
    for (const auto& c : cases) {
        testenv::ArmReadFaults(config, c.faults);
        const Loaded configuration = LoadConfiguration(config);
        testenv::ArmReadFaults(dictionary, c.faults);
        const Loaded words = LoadDictionary(dictionary);
        testenv::DisarmReadFaults();
        EXPECT_EQ(configuration.taken, c.configuration.taken) << c.name;
        EXPECT_EQ(configuration.notes, c.configuration.notes) << c.name;
        EXPECT_EQ(words.taken, c.dictionary.taken) << c.name;
        EXPECT_EQ(words.notes, c.dictionary.notes) << c.name;
    }
}
