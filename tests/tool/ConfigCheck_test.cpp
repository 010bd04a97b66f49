// ppc config check, run as a process.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "TestEnv.h"
#include "ToolRunner.h"

using nlohmann::json;
using toolrun::Ppc;

namespace {

// The findings of one report, each as "severity: line N: message".
std::vector<std::string> Findings(const json& report) {
    std::vector<std::string> found;
    for (const json& finding : report.at("findings")) {
        const int line = finding.at("line").get<int>();
        found.push_back(finding.at("severity").get<std::string>() + ": " +
                        (line > 0 ? "line " + std::to_string(line) + ": " : "") +
                        finding.at("message").get<std::string>());
    }
    return found;
}

}  // namespace

// Each configuration with the beginnings of findings its report must hold.
TEST(ConfigCheck, EachProblemNamedWithItsLine) {
    testenv::ConfigFile config;
    testenv::TempDir dir;
    const std::string basic = "[BASIC]\nweakPwdDic=" + dir.WriteFile("d", "x\n") + "\n";
    const struct {
        std::string text;
        std::vector<std::string> findings;
    } cases[] = {
        {"[BASIC]\nweakPwdDic=/nonexistent/weak.dic\n[POLICY1]\nminlen=8\n",
         {"error: line 2: the dictionary /nonexistent/weak.dic cannot be opened",
          "error: there is no policy 0"}},
        {"stray=1\n" + basic + "colour=blue\n[basic]\ntimerInterval=1\n[POLICY0]\nminlen=8\nmaxlen=16\n"
                               "specialchar=!\nmaxLen=20\nweakPwdDic=x\n[MYPOLICY1]\nminlen=9\n",
         {"warning: line 1: keys before the first section are ignored",
          "warning: line 4: [BASIC] key colour is ignored", "warning: line 6: section [basic] is ignored",
          "warning: line 11: [POLICY0] key maxLen is ignored",
          "warning: line 12: [POLICY0] key weakPwdDic is ignored",
          "warning: line 14: section [MYPOLICY1] is read as policy 0", "note: [BASIC] sets no timerInterval"}},
        {basic + "timerInterval=0\n[POLICY0]\nminlen=20\nmaxlen=16\nminclass=5\nspecialchar=!\n"
                 "[POLICY1]\nminlen=ten\nminclass=3\nspecialchar=\n"
                 "[POLICY2]\nminlen=12abc\nmaxlen=40\nminclass=3\nspecialchar=!a1\n",
         {"error: line 3: [BASIC] timerInterval 0 is not a period",
          "error: line 5: policy 0: minlen 20 is above maxlen 16",
          "error: line 5: policy 0: minclass 5 is above 4",
          "error: line 10: [POLICY1] minlen = \"ten\" is not a number",
          "error: line 10: policy 1 has an empty special set",
          "warning: line 10: policy 1: minlen 0 is below 6",
          "warning: line 14: [POLICY2] minlen = \"12abc\" has text after the number; the component reads it as 12",
          "warning: line 14: policy 2: the special set holds letters or digits (a1)"}},
        {"[BASIC]\nweakPwdDic=" + dir.WriteFile("cut.dic", "password\r\nqwerty\n\nletmein\n") +
             "\ntimerInterval=1\n[POLICY3]\nminlen=10\n[POLICY0]\nminlen=8\nmaxlen=16\n"
             "minclass=3\nspecialchar=!\n[POLICY1]\nminlen=8\n[POLICY01]\nmaxlen=20\n",
         {"warning: line 2: dictionary line 3: this empty line ends the dictionary: the lines after it are ignored",
          "warning: line 5: section [POLICY3] comes before policy 0's",
          "warning: line 14: [POLICY1], [POLICY01] both stand for policy 1"}},
    };
    for (const auto& c : cases) {
        config.Write(c.text);
        const toolrun::Run run = Ppc({"config", "check", "--json"});
        EXPECT_EQ(run.status, 1);
        const json report = json::parse(run.out);
        const std::vector<std::string> found = Findings(report);
        for (const std::string& wanted : c.findings) {
            auto starts = [&wanted](const std::string& finding) { return finding.rfind(wanted, 0) == 0; };
            EXPECT_TRUE(std::any_of(found.begin(), found.end(), starts))
                << wanted << "\n" << report.dump(1);
        }
        // Errors first, then warnings, then notes.
        auto rank = [](const std::string& finding) { return finding[0] == 'e' ? 0 : finding[0] == 'w' ? 1 : 2; };
        EXPECT_TRUE(std::is_sorted(found.begin(), found.end(),
                                   [&rank](auto& a, auto& b) { return rank(a) < rank(b); }));
    }
    const json last = json::parse(Ppc({"config", "check", "--json"}).out);
    EXPECT_EQ(last.at("dictionaryEntries"), 2);  // cut short
    EXPECT_EQ(last.dump().find("[POLICY1] comes before"), std::string::npos);
    config.Remove();
    EXPECT_NE(Ppc({"config", "check"}).out.find("error: the configuration /usr/local/vesticor/conf/ppc.conf "
                                                "cannot be opened"), std::string::npos);
}

// A candidate FILE is judged alone; the live file is neither read nor touched. A line longer than the
// parser's 199 bytes is ignored whole: its tail sets no key, opens no section, and line numbers stay right.
TEST(ConfigCheck, SoundConfigurationPassesAndCandidateFileIsJudgedAlone) {
    testenv::ConfigFile config;
    testenv::TempDir dir;
    const std::string dictionary = dir.WriteFile("weak.dic", "password\nqwerty\n");
    const std::string good = "[BASIC]\nweakPwdDic=" + dictionary + "\ntimerInterval=2\n"
                             "reloadRecovery=1\n[POLICY0]\nminlen=6\nmaxlen=32\nminclass=3\nspecialchar=!#space\n";
    config.Write(good + "[POLICY1]\nminlen=12\n");
    EXPECT_EQ(json::parse(Ppc({"config", "check", "--json"}).out),
              json::parse(R"({"ok":true,"config":"/usr/local/vesticor/conf/ppc.conf","policies":[0,1],
                  "breachTable":null,"dictionary":")" + dictionary +
                          R"(","dictionaryEntries":2,"timerInterval":2,"findings":[]})"));

    const std::string head = "specialchar=" + std::string(187, '#');  // 199 bytes
    const std::string overLong = good + head + "minclass=1\n" + head + "[POLICY9]\nmaxlen=9\n";
    const std::string overLongPath = dir.WriteFile("long.conf", overLong);
    const json report = json::parse(Ppc({"config", "check", "--json", overLongPath}).out);
    EXPECT_EQ(report.at("policies"), json::parse("[0]"));  // no policy 9
    const std::string ignored = "longer than 199 bytes: ignored whole, so no part of it sets a key or opens a "
                                "section";
    EXPECT_EQ(Findings(report), (std::vector<std::string>{"error: line 10: " + ignored,
                                                          "error: line 11: " + ignored,
                                                          "note: line 12: [POLICY0] maxlen is set again: the "
                                                          "last value counts"}));

    EXPECT_EQ(testenv::ReadFile(testenv::ConfigFile::Path()), good + "[POLICY1]\nminlen=12\n");
}

TEST(ConfigCheck, BreachTableIsReportedAndAProblemIsAnError) {
    testenv::ConfigFile config;
    testenv::TempDir dir;
    const std::string table = dir.Path() + "/breached.tbl";
    ASSERT_EQ(Ppc({"breach", "build", "-o", table, dir.WriteFile("list", "a\nb\nc\n")}).status, 0);
    const std::string basic = "[BASIC]\nweakPwdDic=" + dir.WriteFile("weak.dic", "password\n") +
                              "\ntimerInterval=2\nbreachedPwdTable=";
    const std::string policy = "\n[POLICY0]\nminlen=8\nmaxlen=32\nminclass=3\nspecialchar=!#\n";
    config.Write(basic + table + policy);
    const toolrun::Run run = Ppc({"config", "check"});
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find(table + " (3 entries, 0.0 MB, built 0 days ago)"), std::string::npos) << run.out;
    EXPECT_EQ(json::parse(Ppc({"config", "check", "--json"}).out)["breachTable"]["falsePositiveRate"], 0x1p-30);

    // One flipped bit in the data: an error that names the damaged table of the set.
    std::string bytes = testenv::ReadFile(table);
    bytes[4096 + 100] ^= 1;
    const std::string damaged = dir.WriteFile("damaged.tbl", bytes);
    config.Write(basic + table + "," + damaged + policy);
    const std::string finding = Findings(json::parse(Ppc({"config", "check", "--json"}).out)).at(0);
    EXPECT_EQ(finding.rfind("error: line 4: the breach table ", 0), 0u) << finding;
    EXPECT_NE(finding.find(damaged + ": damaged: page 1 fails its checksum"), std::string::npos) << finding;
}
