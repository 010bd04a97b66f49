#include "ToolRunner.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>
#include <stdexcept>

#include "TestEnv.h"

extern char** environ;

namespace toolrun {

pid_t Spawn(const std::string& program, const std::vector<std::string>& args, const std::string& in,
            const std::string& out, const std::string& err) {
    constexpr int kWrite = O_WRONLY | O_CREAT | O_TRUNC;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, in.c_str(), O_RDWR, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(), kWrite, 0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(), kWrite, 0600);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) throw std::runtime_error("cannot start " + program);
    return pid;
}

int Wait(pid_t pid) {
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    return WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
}

Run Ppc(const std::vector<std::string>& args, const std::string& input) {
    // Files, not pipes: nothing blocks, and the output is complete once the process has ended.
    testenv::TempDir dir;
    const std::string outPath = dir.Path() + "/stdout";
    const std::string errPath = dir.Path() + "/stderr";
    Run run;
    run.status = Wait(Spawn(PPC_TOOL_PATH, args, dir.WriteFile("stdin", input), outPath, errPath));
    run.out = testenv::ReadFile(outPath);
    run.err = testenv::ReadFile(errPath);
    return run;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
}

}  // namespace toolrun
