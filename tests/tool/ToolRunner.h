// Runs a program the way a user or a script would: as a process of its own,
// with chosen standard input, capturing what it prints and how it exits.
#ifndef PWDPOLICY_TESTS_TOOL_TOOLRUNNER_H
#define PWDPOLICY_TESTS_TOOL_TOOLRUNNER_H

#include <sys/types.h>

#include <string>
#include <vector>

namespace toolrun {

struct Run {
    int status = -1;  // exit status, or 128 + signal number
    std::string out;
    std::string err;
};

// Starts `program` with `args` and standard input, output and error opened
// on these paths (`err` empty: standard input's, as on a terminal).
pid_t Spawn(const std::string& program, const std::vector<std::string>& args, const std::string& in,
            const std::string& out, const std::string& err);
// Waits for `pid`: its exit status, or 128 + signal number.
int Wait(pid_t pid);

// Runs `program` with `input` on standard input (a file, so not a terminal)
// and waits for it.
Run RunProgram(const std::string& program, const std::vector<std::string>& args,
               const std::string& input = "");
// RunProgram for the ppc built with the tests.
Run Ppc(const std::vector<std::string>& args, const std::string& input = "");

// `text` split at newlines, without a trailing empty line.
std::vector<std::string> Lines(const std::string& text);

}  // namespace toolrun

#endif  // PWDPOLICY_TESTS_TOOL_TOOLRUNNER_H
