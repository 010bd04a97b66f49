// Files of a build's intermediate data: created beside the output, removed
// from the directory at once, so that nothing is left behind when the
// builder stops, however it stops.
#ifndef PWDPOLICY_BREACH_TEMPFILE_H
#define PWDPOLICY_BREACH_TEMPFILE_H

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace breach {

// What the builder throws when it cannot go on; the text is for the operator.
class BuildError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An anonymous temporary file in `directory`, written once from the start
// and then read from the start. Throws BuildError when I/O fails.
class TempFile {
public:
    explicit TempFile(const std::string& directory);
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    void Write(const void* bytes, size_t length);
    // Ends writing (on the first call); reading starts again at the
    // beginning with a buffer of `bufferBytes`.
    void StartReading(size_t bufferBytes);
    // Fills `length` bytes; false at the end of the data.
    bool Read(void* bytes, size_t length);

private:
    void Flush();

    int fd_ = -1;
    std::vector<char> buffer_;
    size_t used_ = 0;   // writing: bytes buffered; reading: bytes in buffer
    size_t taken_ = 0;  // reading: bytes of the buffer consumed
    uint64_t offset_ = 0;
    bool writing_ = true;
};

// Writes `length` bytes at `offset` of `fd`, or throws BuildError.
void WriteAt(int fd, const void* bytes, size_t length, uint64_t offset);

}  // namespace breach

#endif  // PWDPOLICY_BREACH_TEMPFILE_H
