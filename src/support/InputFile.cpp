#include "support/InputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

InputFile::InputFile(const std::string& path) {
    fd_ = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
        problem_ = strerror(errno);
        return;
    }
    struct stat info {};
    if (fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
        problem_ = "not a regular file";
        close(fd_);
        fd_ = -1;
        return;
    }
    size_ = static_cast<size_t>(info.st_size);
}

InputFile::~InputFile() {
    if (fd_ >= 0) close(fd_);
}

ssize_t InputFile::Read(char* buffer, size_t size) {
    for (;;) {
        const ssize_t got = read(fd_, buffer, size);
        if (got >= 0) return got;
        if (errno == EINTR) continue;
        problem_ = strerror(errno);
        return -1;
    }
}
