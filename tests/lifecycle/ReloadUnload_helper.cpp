// dlopens libpwdpolicy, arms the timer, unloads it; exits 0 or the failed check's number.
//   restore     PPC_Finalize disarms the timer and gives SIGALRM back to the earlier handler.
//   cycles      200 loads, initialisations and unloads without PPC_Finalize leave no descriptor open.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/time.h>
#include <unistd.h>

#include <csignal>
#include <string>

namespace {

void EarlierHandler(int) {}

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

int OpenDescriptors() {
    int count = 0;
    for (int fd = 0; fd < 1024; ++fd) count += fcntl(fd, F_GETFD) != -1;
    return count;
}

// The library, loaded and initialised with the timer on; null on failure.
void* LoadAndInitialize(const char* library) {
    void* handle = dlopen(library, RTLD_NOW | RTLD_LOCAL);
    void* initialize = handle == nullptr ? nullptr : dlsym(handle, "PPC_Initialize");
    return initialize != nullptr && reinterpret_cast<unsigned int (*)(const char*, int, int)>(initialize)(
                                        nullptr, 1, 1) == 0 ? handle : nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 100;
    const std::string mode = argv[2];
    signal(SIGALRM, EarlierHandler);
    const int before = OpenDescriptors();
    for (int cycle = 0; mode == "cycles" && cycle < 200; ++cycle) {
        void* library = LoadAndInitialize(argv[1]);
        if (library == nullptr || dlclose(library) != 0) return 1;
    }
    if (mode == "cycles") return OpenDescriptors() == before ? 0 : 11;
    void* library = LoadAndInitialize(argv[1]);
    if (library == nullptr || !TimerArmed() || CurrentHandler() == EarlierHandler) return 2;
    auto finalize = reinterpret_cast<unsigned int (*)()>(dlsym(library, "PPC_Finalize"));
    if (finalize == nullptr || finalize() != 0 || TimerArmed() || CurrentHandler() != EarlierHandler) return 4;
    if (dlclose(library) != 0 || dlopen(argv[1], RTLD_NOW | RTLD_NOLOAD) != nullptr) return 6;  // still mapped
    return CurrentHandler() == EarlierHandler && !TimerArmed() ? 0 : 7;
}
