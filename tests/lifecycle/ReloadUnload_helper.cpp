// dlopens libpwdpolicy and initialises it with the timer on, then unloads it without PPC_Finalize, 200
// times: the unload disarms the timer, gives SIGALRM back to the earlier handler, unmaps the library and
// leaves no descriptor open. Exits 0, or the failed check's number.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/time.h>
#include <unistd.h>

#include <csignal>

namespace {

void EarlierHandler(int) {}

int OpenDescriptors() {
    int count = 0;
    for (int fd = 0; fd < 1024; ++fd) count += fcntl(fd, F_GETFD) != -1;
    return count;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 100;
    signal(SIGALRM, EarlierHandler);
    const int before = OpenDescriptors();
    for (int cycle = 0; cycle < 200; ++cycle) {
        void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
        void* initialize = library == nullptr ? nullptr : dlsym(library, "PPC_Initialize");
        if (initialize == nullptr || reinterpret_cast<unsigned int (*)(const char*, int, int)>(initialize)(
                                         nullptr, 1, 1) != 0) {
            return 1;
        }
        if (dlclose(library) != 0 || dlopen(argv[1], RTLD_NOW | RTLD_NOLOAD) != nullptr) return 2;  // still mapped
    }
    itimerval timer{};
    getitimer(ITIMER_REAL, &timer);
    struct sigaction current {};
    sigaction(SIGALRM, nullptr, &current);
    if (timer.it_value.tv_sec != 0 || timer.it_value.tv_usec != 0 || current.sa_handler != EarlierHandler) return 3;
    return OpenDescriptors() == before ? 0 : 4;
}
