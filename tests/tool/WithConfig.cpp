// with_config FILE COMMAND [ARGS...]: runs COMMAND while the configuration path holds FILE's text, e.g.
//   tests/support/private-conf.sh build/tests/with_config FILE ppc check PASSWORD
#include <unistd.h>

#include <cstdio>

#include "TestEnv.h"
#include "ToolRunner.h"

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    testenv::ConfigFile config;
    config.Write(testenv::ReadFile(argv[1]));
    const pid_t child = fork();
    if (child == 0) {
        execvp(argv[2], argv + 2);
        std::perror(argv[2]);
        _exit(127);
    }
    return toolrun::Wait(child);
}
