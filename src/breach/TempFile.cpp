#include "breach/TempFile.h"

#include <fcntl.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace breach {
namespace {

constexpr size_t kWriteBuffer = 1 << 20;

[[noreturn]] void Fail(const char* what) {
    throw BuildError(std::string(what) + ": " + strerror(errno));
}

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

TempFile::TempFile(const std::string& directory) : buffer_(kWriteBuffer) {
    std::string name = (directory.empty() ? std::string(".") : directory) + "/.ppc-breach-XXXXXX";
    fd_ = mkostemp(name.data(), O_CLOEXEC);
    if (fd_ < 0) Fail(("cannot create a temporary file in " + directory).c_str());
    unlink(name.c_str());
}

TempFile::~TempFile() {
    if (fd_ >= 0) close(fd_);
}

void TempFile::Flush() {
    WriteAt(fd_, buffer_.data(), used_, offset_);
    offset_ += used_;
    used_ = 0;
}

void TempFile::Write(const void* bytes, size_t length) {
    if (used_ + length > buffer_.size()) Flush();
    memcpy(buffer_.data() + used_, bytes, length);
    used_ += length;
}

void TempFile::StartReading(size_t bufferBytes) {
    if (writing_) Flush();
    writing_ = false;
    buffer_.assign(bufferBytes, 0);
    buffer_.shrink_to_fit();
    offset_ = 0;
    used_ = 0;
    taken_ = 0;
}

bool TempFile::Read(void* bytes, size_t length) {
    char* to = static_cast<char*>(bytes);
    while (length > 0) {
        if (taken_ == used_) {
            ssize_t got;
            do {
                got = pread(fd_, buffer_.data(), buffer_.size(), static_cast<off_t>(offset_));
            } while (got < 0 && errno == EINTR);
            if (got < 0) Fail("cannot read a temporary file");
            if (got == 0) return false;
            offset_ += static_cast<uint64_t>(got);
            used_ = static_cast<size_t>(got);
            taken_ = 0;
        }
        const size_t part = std::min(length, used_ - taken_);
        memcpy(to, buffer_.data() + taken_, part);
        taken_ += part;
        to += part;
        length -= part;
    }
    return true;
}

}  // namespace breach
