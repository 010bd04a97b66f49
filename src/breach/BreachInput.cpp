#include "breach/BreachInput.h"

#include <fcntl.h>
#include <string.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>
#include <vector>

#include "breach/BreachHash.h"
#include "check/Trim.h"

namespace breach {
namespace {

constexpr size_t kReadChunk = 1 << 20;
// A line longer than this is not a password or a hash: refusing it keeps
// memory bounded on a file without line ends.
constexpr size_t kMaxLine = 1 << 20;
constexpr size_t kHexDigits = 40;

// Digit values by byte, -1 for a byte that is no hex digit: one load a
// digit, since a billion-line list has forty billion of them.
struct HexTable {
    int8_t value[256];
    constexpr HexTable() : value() {
        for (int c = 0; c < 256; ++c) value[c] = -1;
        for (int c = '0'; c <= '9'; ++c) value[c] = static_cast<int8_t>(c - '0');
        for (int c = 'a'; c <= 'f'; ++c) value[c] = static_cast<int8_t>(c - 'a' + 10);
        for (int c = 'A'; c <= 'F'; ++c) value[c] = static_cast<int8_t>(c - 'A' + 10);
    }
};
constexpr HexTable kHex;

int HexValue(char c) { return kHex.value[static_cast<unsigned char>(c)]; }

// "40 hex digits", optionally ":count", nothing else. The count saturates.
bool ParseHashLine(std::string_view line, uint64_t* key, uint32_t* count) {
    if (line.size() < kHexDigits) return false;
    uint64_t value = 0;
    for (size_t i = 0; i < kHexDigits; ++i) {
        const int digit = HexValue(line[i]);
        if (digit < 0) return false;
        if (i < 16) value = (value << 4) | static_cast<uint64_t>(digit);
    }
    uint64_t seen = 1;
    if (line.size() > kHexDigits) {
        if (line[kHexDigits] != ':' || line.size() == kHexDigits + 1) return false;
        seen = 0;
        for (size_t i = kHexDigits + 1; i < line.size(); ++i) {
            if (line[i] < '0' || line[i] > '9') return false;
            seen = seen * 10 + static_cast<uint64_t>(line[i] - '0');
            if (seen > UINT32_MAX) seen = UINT32_MAX;
        }
    }
    *key = value;
    *count = static_cast<uint32_t>(seen);
    return true;
}

class LineHandler {
public:
    LineHandler(const std::string& path, InputFormat format, const KeySink& sink)
        : path_(path), format_(format), sink_(sink) {}

    // False after an error, which Error() then describes.
    bool Handle(std::string_view line) {
        ++lineNumber_;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) return true;
        if (format_ == InputFormat::kAuto) {
            uint64_t key;
            uint32_t count;
            format_ = ParseHashLine(line, &key, &count) ? InputFormat::kHashes : InputFormat::kPasswords;
        }
        if (format_ == InputFormat::kHashes) {
            uint64_t key;
            uint32_t count;
            if (!ParseHashLine(line, &key, &count)) return Fail("not a hash line (40 hex digits, then :count)");
            sink_(key, count);
            return true;
        }
        const std::string_view password = TrimPassword(line);
        if (!password.empty()) sink_(KeyOfPassword(password), 1);
        return true;
    }

    bool Fail(const std::string& what) {
        error_ = path_ + ":" + std::to_string(lineNumber_) + ": " + what;
        return false;
    }
    const std::string& Error() const { return error_; }

private:
    const std::string& path_;
    InputFormat format_;
    const KeySink& sink_;
    uint64_t lineNumber_ = 0;
    std::string error_;
};

}  // namespace

std::string ReadInput(const std::string& path, InputFormat format, const KeySink& sink) {
    const bool standardInput = path == "-";
    const int fd = standardInput ? STDIN_FILENO : open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return path + ": " + strerror(errno);
    struct Closer {
        int fd;
        bool owned;
        ~Closer() {
            if (owned) close(fd);
        }
    } closer{fd, !standardInput};
    (void)posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);

    LineHandler handler(path, format, sink);
    std::vector<char> chunk(kReadChunk);
    std::string partial;
    for (;;) {
        const ssize_t got = read(fd, chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return path + ": " + strerror(errno);
        if (got == 0) break;
        const char* at = chunk.data();
        const char* end = at + got;
        while (at < end) {
            const char* newline = static_cast<const char*>(memchr(at, '\n', end - at));
            if (newline == nullptr) {
                partial.append(at, end);
                if (partial.size() > kMaxLine) {
                    handler.Handle("");  // counts the line for the message
                    return handler.Fail("line longer than 1 MiB"), handler.Error();
                }
                break;
            }
            bool ok;
            if (partial.empty()) {
                ok = handler.Handle(std::string_view(at, newline - at));
            } else {
                partial.append(at, newline);
                ok = handler.Handle(partial);
                partial.clear();
            }
            if (!ok) return handler.Error();
            at = newline + 1;
        }
    }
    if (!partial.empty() && !handler.Handle(partial)) return handler.Error();
    return "";
}

}  // namespace breach
