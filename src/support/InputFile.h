// How loads open and read their files: without blocking (a FIFO at a
// configured path must not hang a load), regular files only (a directory
// must not count as an empty file), and with every read error reported,
// never taken for the end of the file.
#ifndef PWDPOLICY_SUPPORT_INPUTFILE_H
#define PWDPOLICY_SUPPORT_INPUTFILE_H

#include <sys/types.h>

#include <cstddef>
#include <string>

class InputFile {
public:
    // Opens `path` for reading. Check Opened(); when it failed, Problem()
    // says why ("No such file or directory", "not a regular file").
    explicit InputFile(const std::string& path);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    bool Opened() const { return fd_ >= 0; }
    const std::string& Problem() const { return problem_; }
    // The size the file had when it was opened.
    size_t Size() const { return size_; }

    // Reads up to `size` bytes: the count, 0 at the end of the file, or -1
    // on a read error (Problem() then says which). A read that a signal
    // interrupts is tried again; a short read is not an error.
    ssize_t Read(char* buffer, size_t size);

private:
    int fd_ = -1;
    size_t size_ = 0;
    std::string problem_;
};

#endif  // PWDPOLICY_SUPPORT_INPUTFILE_H
