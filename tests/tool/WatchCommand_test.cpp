// ppc watch, run in the background and stopped with Ctrl-C (SIGINT).
#include <signal.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <map>
#include <thread>
#include <utility>

#include "TestEnv.h"
#include "ToolRunner.h"

using nlohmann::json;

namespace {

std::string Config(const std::string& dictionary, int maxlen) {
    return "[BASIC]\nweakPwdDic=" + dictionary + "\ntimerInterval=1\n[POLICY0]\nminlen=8\nmaxlen=" +
           std::to_string(maxlen) + "\nminclass=3\nspecialchar=!#\n";
}

struct Watcher {
    Watcher(const testenv::TempDir& dir, const std::vector<std::string>& args)
        : out(dir.Path() + "/watch.out"),
          pid(toolrun::Spawn(PPC_TOOL_PATH, args, "/dev/null", out, dir.Path() + "/watch.err")) {}
    ~Watcher() {
        if (pid > 0 && kill(pid, SIGKILL) == 0) toolrun::Wait(pid);
    }
    // Waits until the output holds `text`; false after 20 seconds.
    bool WaitFor(const std::string& text) const {
        for (int tenths = 0; testenv::ReadFile(out).find(text) == std::string::npos; ++tenths) {
            if (tenths == 200) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return true;
    }
    int Interrupt() {  // the exit status
        kill(pid, SIGINT);
        return toolrun::Wait(std::exchange(pid, -1));
    }
    std::string out;
    pid_t pid;
};

}  // namespace

// The dictionary changes on disk; then the configuration, and SIGALRM, the component's timer signal,
// asks for the reload now instead of after the period (whole minutes).
TEST(WatchCommand, ReportsFileChangesAndReloadsUntilInterrupted) {
    testenv::ConfigFile config;
    testenv::TempDir dir;
    const std::string dictionary = dir.WriteFile("weak.dic", "password\n");
    config.Write(Config(dictionary, 16));
    Watcher watcher(dir, {"watch", "--json"});
    ASSERT_TRUE(watcher.WaitFor("\"event\":\"watching\"")) << testenv::ReadFile(watcher.out);
    dir.WriteFile("weak.dic", "password\nqwerty\n");
    EXPECT_TRUE(watcher.WaitFor(R"("event":"file-changed","file":")" + dictionary)) << testenv::ReadFile(watcher.out);
    config.Write(Config(dictionary, 24) + "[POLICY2]\nminlen=12\n");
    kill(watcher.pid, SIGALRM);
    ASSERT_TRUE(watcher.WaitFor("\"policy-changed\"") && watcher.WaitFor("\"policy-added\""))
        << testenv::ReadFile(watcher.out);
    EXPECT_EQ(watcher.Interrupt(), 0);
    std::map<std::string, json> events;
    for (const std::string& line : toolrun::Lines(testenv::ReadFile(watcher.out))) {
        const json event = json::parse(line);
        events[event.at("event")] = event;
    }
    EXPECT_EQ(events["watching"].at("timerInterval"), 1);
    EXPECT_EQ(events["policy-changed"].at("before").at("maxlen"), 16);
    EXPECT_EQ(events["policy-changed"].at("policy").at("maxlen"), 24);
    EXPECT_EQ(events["policy-added"].at("policy").at("minlen"), 12);
    EXPECT_EQ(events.count("stopped"), 1u);

    config.Write(Config("/nonexistent/weak.dic", 16));
    EXPECT_EQ(toolrun::Ppc({"watch"}).status, 3);  // the failure's words: CheckCommand.ComponentFailuresExitThree
}
