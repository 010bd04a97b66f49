#ifndef PWDPOLICY_SUPPORT_FDCLOSER_H
#define PWDPOLICY_SUPPORT_FDCLOSER_H

#include <unistd.h>

// Closes a descriptor on every return path of the scope that opened it.
class FdCloser {
public:
    explicit FdCloser(int fd) : fd_(fd) {}
    ~FdCloser() { close(fd_); }
    FdCloser(const FdCloser&) = delete;
    FdCloser& operator=(const FdCloser&) = delete;

private:
    int fd_;
};

#endif  // PWDPOLICY_SUPPORT_FDCLOSER_H
