// with_config FILE COMMAND [ARGS...]: runs COMMAND while the component's
// configuration path holds FILE's text. For trying the tool by hand and for
// scripted checks, inside the tests' private configuration folder:
//   tests/support/private-conf.sh build/tests/with_config FILE ppc check PASSWORD
// Tests call testenv::ConfigFile directly.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "TestEnv.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: with_config FILE COMMAND [ARGS...]\n");
        return 2;
    }
    testenv::ConfigFile config;
    config.Write(testenv::ReadFile(argv[1]));
    const pid_t child = fork();
    if (child == 0) {
        execvp(argv[2], argv + 2);
        std::perror(argv[2]);
        _exit(127);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
