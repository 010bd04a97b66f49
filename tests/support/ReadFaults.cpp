#include "ReadFaults.h"

#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace {

bool armed = false;
struct stat target {};
testenv::ReadFaults plan;
long delivered = 0;
bool interruptNext = false;

bool Targeted(int fd) {
    struct stat info {};
    return armed && fstat(fd, &info) == 0 && info.st_dev == target.st_dev && info.st_ino == target.st_ino;
}

}  // namespace

void testenv::ArmReadFaults(const std::string& path, const ReadFaults& faults) {
    if (stat(path.c_str(), &target) != 0) return;
    plan = faults;
    delivered = 0;
    interruptNext = faults.interrupt;
    armed = true;
}

void testenv::DisarmReadFaults() { armed = false; }

extern "C" ssize_t read(int fd, void* buffer, size_t size) {
    const bool targeted = Targeted(fd);
    if (targeted) {
        const bool interrupt = interruptNext;
        interruptNext = !interrupt && plan.interrupt;
        if (interrupt || (plan.failAt >= 0 && delivered >= plan.failAt)) {
            errno = interrupt ? EINTR : EIO;
            return -1;
        }
        if (plan.chunk != 0) size = std::min(size, plan.chunk);
        if (plan.failAt >= 0) size = std::min(size, static_cast<size_t>(plan.failAt - delivered));
    }
    const ssize_t got = syscall(SYS_read, fd, buffer, size);
    if (got > 0 && targeted) delivered += got;
    return got;
}
