// Runs a program as a process of its own, capturing what it prints and how it exits.
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

// Standard input, output and error opened on these paths.
pid_t Spawn(const std::string& program, const std::vector<std::string>& args, const std::string& in,
            const std::string& out, const std::string& err);
int Wait(pid_t pid);  // exit status, or 128 + signal number
// ppc with `input` on standard input (a file, so not a terminal).
Run Ppc(const std::vector<std::string>& args, const std::string& input = "");
// `text` split at newlines, without a trailing empty line.
std::vector<std::string> Lines(const std::string& text);

}  // namespace toolrun

#endif  // PWDPOLICY_TESTS_TOOL_TOOLRUNNER_H
