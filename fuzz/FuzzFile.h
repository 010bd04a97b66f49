// A scratch file that a fuzz target rewrites with every input, so that the
// component's loaders read fuzzed bytes through their real file path.
#ifndef PWDPOLICY_FUZZ_FUZZFILE_H
#define PWDPOLICY_FUZZ_FUZZFILE_H

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

class FuzzFile {
public:
    // Creates the file under $TMPDIR, else /dev/shm, else /tmp; it is
    // removed at exit. Memory-backed by preference: a disk file rewritten
    // thousands of times a second makes the run wait for the disk.
    explicit FuzzFile(const char* stem) {
        const char* dir = getenv("TMPDIR");
        if (dir == nullptr || dir[0] == '\0') dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        path_ = std::string(dir) + "/" + stem + "-XXXXXX";
        fd_ = mkstemp(path_.data());
        if (fd_ < 0) {
            perror("mkstemp");
            abort();
        }
    }
    ~FuzzFile() {
        close(fd_);
        unlink(path_.c_str());
    }
    FuzzFile(const FuzzFile&) = delete;
    FuzzFile& operator=(const FuzzFile&) = delete;

    // Replaces the whole content with `size` bytes of `data`.
    void Write(const void* data, size_t size) const {
        if (ftruncate(fd_, 0) != 0) abort();
        const char* at = static_cast<const char*>(data);
        for (size_t done = 0; done < size;) {
            const ssize_t wrote = pwrite(fd_, at + done, size - done, static_cast<off_t>(done));
            if (wrote <= 0) abort();
            done += static_cast<size_t>(wrote);
        }
    }
    void Write(const std::string& text) const { Write(text.data(), text.size()); }

    const std::string& Path() const { return path_; }

private:
    std::string path_;
    int fd_ = -1;
};

// Stops the run with a message when a property of the component fails.
#define FUZZ_CHECK(condition)                                                            \
    do {                                                                                 \
        if (!(condition)) {                                                              \
            fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            abort();                                                                     \
        }                                                                                \
    } while (0)

#endif  // PWDPOLICY_FUZZ_FUZZFILE_H
