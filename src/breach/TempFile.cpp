#include "breach/TempFile.h"

#include <fcntl.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace breach {
namespace {

[[noreturn]] void Fail(const std::string& what) { throw BuildError(what + ": " + strerror(errno)); }

}  // namespace

void WriteAt(int fd, const void* bytes, size_t length, uint64_t offset) {
    const char* at = static_cast<const char*>(bytes);
    while (length > 0) {
        const ssize_t done = pwrite(fd, at, length, static_cast<off_t>(offset));
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) Fail("cannot write");
        at += done;
        offset += static_cast<uint64_t>(done);
        length -= static_cast<size_t>(done);
    }
}

TempFile::TempFile(const std::string& directory) {
    std::string name = (directory.empty() ? std::string(".") : directory) + "/.ppc-breach-XXXXXX";
    fd_ = mkostemp(name.data(), O_CLOEXEC);
    if (fd_ < 0) Fail("cannot create a temporary file in " + directory);
    unlink(name.c_str());
}

TempFile::~TempFile() {
    if (fd_ >= 0) close(fd_);
}

uint64_t TempFile::Append(const void* bytes, size_t length) {
    const uint64_t offset = size_;
    WriteAt(bytes, length, offset);
    return offset;
}

void TempFile::WriteAt(const void* bytes, size_t length, uint64_t offset) {
    breach::WriteAt(fd_, bytes, length, offset);
    size_ = std::max(size_, offset + length);
}

void TempFile::ReadAt(void* bytes, size_t length, uint64_t offset) const {
    char* to = static_cast<char*>(bytes);
    while (length > 0) {
        const ssize_t got = pread(fd_, to, length, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) Fail("cannot read a temporary file");
        if (got == 0) throw BuildError("a temporary file is shorter than written");
        to += got;
        offset += static_cast<uint64_t>(got);
        length -= static_cast<size_t>(got);
    }
}

}  // namespace breach
