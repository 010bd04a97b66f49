// ppc watch, run as a background process and stopped with Ctrl-C (SIGINT).
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <thread>

#include "TestEnv.h"
#include "ToolRunner.h"

using nlohmann::json;

namespace {

std::string Config(const std::string& dictionary, int maxlen) {
    return "[BASIC]\nweakPwdDic=" + dictionary + "\ntimerInterval=1\n[POLICY0]\nminlen=8\nmaxlen=" +
           std::to_string(maxlen) + "\nminclass=3\nspecialchar=!#\n";
}

// ppc watch running in the background, its output going to a file.
class Watcher {
public:
    Watcher(const testenv::TempDir& dir, std::vector<std::string> args) : outPath_(dir.Path() + "/watch.out") {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, outPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        args.insert(args.begin(), {PPC_TOOL_PATH, "watch"});
        std::vector<char*> argv;
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, PPC_TOOL_PATH, &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Watcher() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

    // Waits until the output holds `text`; false after `seconds`.
    bool WaitFor(const std::string& text, int seconds) const {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (Output().find(text) == std::string::npos) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return true;
    }
    std::string Output() const { return testenv::ReadFile(outPath_); }

    // Delivers the component's timer signal now instead of waiting for the
    // configured period (whole minutes).
    void Tick() const { kill(pid_, SIGALRM); }

    // Ctrl-C; returns the exit status.
    int Interrupt() {
        kill(pid_, SIGINT);
        int wstatus = 0;
        waitpid(pid_, &wstatus, 0);
        pid_ = -1;
        return WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
    }

private:
    std::string outPath_;
    pid_t pid_ = -1;
};

}  // namespace

TEST(WatchCommand, ShowsPoliciesAndFileChangesUntilInterrupted) {
    testenv::ConfigFile config;
    testenv::TempDir dir;
    const std::string dictionary = dir.WriteFile("weak.dic", "password\n");
    config.Write(Config(dictionary, 16));
    Watcher watcher(dir, {});
    ASSERT_TRUE(watcher.WaitFor("Ctrl-C ends.", 20)) << watcher.Output();
    EXPECT_NE(watcher.Output().find("every 1 min"), std::string::npos);
    EXPECT_NE(watcher.Output().find("\n0       8       16 "), std::string::npos) << watcher.Output();

    dir.WriteFile("weak.dic", "password\nqwerty\n");
    EXPECT_TRUE(watcher.WaitFor(dictionary + " changed on disk", 10)) << watcher.Output();
    EXPECT_EQ(watcher.Interrupt(), 0);
    EXPECT_NE(watcher.Output().find(" stopped\n"), std::string::npos);
}

TEST(WatchCommand, MissingDictionaryFailsToStart) {
    testenv::ConfigFile config;
    config.Write(Config("/nonexistent/weak.dic", 16));
    const toolrun::Run run = toolrun::Ppc({"watch"});
    EXPECT_EQ(run.status, 3);
    EXPECT_NE(run.err.find("PPC_ERR_DATA_LOAD (3004)"), std::string::npos) << run.err;
}

// Slow by nature: the component looks for changes once a minute at most.
TEST(WatchCommand, ReportsTheReloadOnTheNextTimerSignal) {
    testenv::ConfigFile config;
    testenv::TempDir dir;
    config.Write(Config(dir.WriteFile("weak.dic", "password\n"), 16));
    Watcher watcher(dir, {"--json"});
    ASSERT_TRUE(watcher.WaitFor("\"event\":\"watching\"", 20)) << watcher.Output();

    config.Write(Config(dir.Path() + "/weak.dic", 24) + "[POLICY2]\nminlen=12\n");
    watcher.Tick();
    ASSERT_TRUE(watcher.WaitFor("\"event\":\"policy-changed\"", 20)) << watcher.Output();
    ASSERT_TRUE(watcher.WaitFor("\"event\":\"policy-added\"", 5)) << watcher.Output();
    EXPECT_EQ(watcher.Interrupt(), 0);

    std::vector<json> events;
    for (const std::string& line : toolrun::Lines(watcher.Output())) events.push_back(json::parse(line));
    ASSERT_GE(events.size(), 4u);
    EXPECT_EQ(events.front().at("policies").at(0).at("maxlen"), 16);
    bool changed = false;
    bool added = false;
    for (const json& event : events) {
        if (event.at("event") == "policy-changed") {
            changed = true;
            EXPECT_EQ(event.at("before").at("maxlen"), 16);
            EXPECT_EQ(event.at("policy").at("maxlen"), 24);
        }
        if (event.at("event") == "policy-added") {
            added = true;
            EXPECT_EQ(event.at("policy").at("id"), 2);
            EXPECT_EQ(event.at("policy").at("minlen"), 12);
        }
    }
    EXPECT_TRUE(changed && added);
    EXPECT_EQ(events.back().at("event"), "stopped");
}
