// Files of a build's intermediate data: created beside the output, removed
// from the directory at once, so that nothing is left behind when the
// builder stops, however it stops.
#ifndef PWDPOLICY_BREACH_TEMPFILE_H
#define PWDPOLICY_BREACH_TEMPFILE_H

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace breach {

// What the builder throws when it cannot go on; the text is for the operator.
class BuildError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An anonymous temporary file in `directory`, written and read at offsets.
// Throws BuildError when I/O fails.
class TempFile {
public:
    explicit TempFile(const std::string& directory);
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    // Writes at the end; returns the offset written at.
    uint64_t Append(const void* bytes, size_t length);
    void WriteAt(const void* bytes, size_t length, uint64_t offset);
    // Fills `length` bytes from `offset`; throws when the file is shorter.
    void ReadAt(void* bytes, size_t length, uint64_t offset) const;
    uint64_t Size() const { return size_; }

private:
    int fd_ = -1;
    uint64_t size_ = 0;
};

// Writes `length` bytes at `offset` of `fd`, or throws BuildError.
void WriteAt(int fd, const void* bytes, size_t length, uint64_t offset);

}  // namespace breach

#endif  // PWDPOLICY_BREACH_TEMPFILE_H
