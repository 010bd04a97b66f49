// ppc watch, run in the background and stopped with Ctrl-C (SIGINT).
#include <signal.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <map>
#include <thread>

#include "TestEnv.h"
#include "ToolRunner.h"

using nlohmann::json;

namespace {

std::string Config(const std::string& dictionary, int maxlen) {
    return "[BASIC]\nweakPwdDic=" + dictionary + "\ntimerInterval=1\n[POLICY0]\nminlen=8\nmaxlen=" +
           std::to_string(maxlen) + "\nminclass=3\nspecialchar=!#\n";
}

// Waits until the file at `path` holds `text`; false after 20 seconds.
bool WaitFor(const std::string& path, const std::string& text) {
    for (int tenths = 0; testenv::ReadFile(path).find(text) == std::string::npos; ++tenths) {
        if (tenths == 200) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return true;
}

}  // namespace

// The dictionary changes on disk; then the configuration, and SIGALRM, the component's timer signal,
// asks for the reload now instead of after the period (whole minutes).
TEST(WatchCommand, ReportsFileChangesAndReloadsUntilInterrupted) {
    testenv::ConfigFile config;
    testenv::TempDir dir;
    const std::string dictionary = dir.WriteFile("weak.dic", "password\n");
    config.Write(Config(dictionary, 16));
    const std::string out = dir.Path() + "/watch.out";
    const pid_t pid = toolrun::Spawn(PPC_TOOL_PATH, {"watch", "--json"}, "/dev/null", out, dir.Path() + "/err");
    ASSERT_TRUE(WaitFor(out, "\"event\":\"watching\"")) << (kill(pid, SIGKILL), toolrun::Wait(pid));
    dir.WriteFile("weak.dic", "password\nqwerty\n");
    EXPECT_TRUE(WaitFor(out, R"("event":"file-changed","file":")" + dictionary));
    config.Write(Config(dictionary, 24) + "[POLICY2]\nminlen=12\n");
    kill(pid, SIGALRM);
    EXPECT_TRUE(WaitFor(out, "\"policy-changed\"") && WaitFor(out, "\"policy-added\"")) << testenv::ReadFile(out);
    kill(pid, SIGINT);
    EXPECT_EQ(toolrun::Wait(pid), 0);
    std::map<std::string, json> events;
    for (const std::string& line : toolrun::Lines(testenv::ReadFile(out))) {
        const json event = json::parse(line);
        events[event.at("event")] = event;
    }
    EXPECT_EQ(events["policy-changed"].at("policy").at("maxlen"), 24);
    EXPECT_EQ(events["policy-added"].at("policy").at("minlen"), 12);
    EXPECT_EQ(events.count("stopped"), 1u);
}
