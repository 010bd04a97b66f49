// Loads libpwdpolicy with dlopen, arms the reload timer, unloads the library
// and checks what it left behind. Exit status 0 when all is as expected, or
// the number of the failed check. Modes:
//   restore     SIGALRM comes back to the handler installed before.
//   finalized   the same after PPC_Finalize, which leaves the timer armed.
//   host-owned  the host installs its own handler after initialisation;
//               unloading leaves that handler and the timer alone.
//   cycles      200 loads and unloads with the timer on and no PPC_Finalize
//               leave no inotify instance open.
#include <dirent.h>
#include <dlfcn.h>
#include <sys/time.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>

namespace {

void EarlierHandler(int) {}
void HostHandler(int) {}

using Initialize = unsigned int (*)(const char*, int, int);
using Finalize = unsigned int (*)();

bool TimerArmed() {
    itimerval timer{};
    getitimer(ITIMER_REAL, &timer);
    return timer.it_value.tv_sec != 0 || timer.it_value.tv_usec != 0;
}

sighandler_t CurrentHandler() {
    struct sigaction current {};
    sigaction(SIGALRM, nullptr, &current);
    return current.sa_handler;
}

int OpenInotifyInstances() {
    int count = 0;
    DIR* fds = opendir("/proc/self/fd");
    if (fds == nullptr) return -1;
    while (const dirent* entry = readdir(fds)) {
        char path[64];
        char target[64] = {};
        snprintf(path, sizeof path, "/proc/self/fd/%s", entry->d_name);
        if (readlink(path, target, sizeof target - 1) > 0 && strcmp(target, "anon_inode:inotify") == 0) {
            ++count;
        }
    }
    closedir(fds);
    return count;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 100;
    const char* mode = argv[2];
    signal(SIGALRM, EarlierHandler);
    if (strcmp(mode, "cycles") == 0) {
        for (int cycle = 0; cycle < 200; ++cycle) {
            void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
            if (library == nullptr) return 101;
            auto initialize = reinterpret_cast<Initialize>(dlsym(library, "PPC_Initialize"));
            if (initialize == nullptr || initialize(nullptr, 1, 1) != 0) return 1;
            if (dlclose(library) != 0) return 5;
        }
        return OpenInotifyInstances() == 0 ? 0 : 11;
    }
    void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        fprintf(stderr, "%s\n", dlerror());
        return 101;
    }
    auto initialize = reinterpret_cast<Initialize>(dlsym(library, "PPC_Initialize"));
    auto finalize = reinterpret_cast<Finalize>(dlsym(library, "PPC_Finalize"));
    if (initialize == nullptr || finalize == nullptr) return 102;
    if (initialize(nullptr, 1, 1) != 0) return 1;
    if (!TimerArmed() || CurrentHandler() == EarlierHandler) return 2;
    if (strcmp(mode, "finalized") == 0) {
        if (finalize() != 0) return 3;
        if (!TimerArmed()) return 4;  // finalisation keeps the timer
    } else if (strcmp(mode, "host-owned") == 0) {
        signal(SIGALRM, HostHandler);
    }
    if (dlclose(library) != 0) return 5;
    if (dlopen(argv[1], RTLD_NOW | RTLD_NOLOAD) != nullptr) return 6;  // still mapped
    if (strcmp(mode, "host-owned") == 0) {
        if (CurrentHandler() != HostHandler) return 7;
        if (!TimerArmed()) return 8;
    } else {
        if (CurrentHandler() != EarlierHandler) return 9;
        if (TimerArmed()) return 10;
    }
    return 0;
}
