// A breach table opened for lookups: the file mapped read-only, shared with
// every other process through the page cache. Opening validates the header
// and the file's size only, so it takes the same time whatever the size.
#ifndef PWDPOLICY_BREACH_BREACHTABLE_H
#define PWDPOLICY_BREACH_BREACHTABLE_H

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "breach/BreachFormat.h"

namespace breach {

class BreachTable {
public:
    // Maps `path` and checks its header. Null when the file cannot be used;
    // `*problem` then says why in a few words ("bad magic", "truncated: ...").
    static std::unique_ptr<BreachTable> Open(const std::string& path, std::string* problem);

    ~BreachTable();
    BreachTable(const BreachTable&) = delete;
    BreachTable& operator=(const BreachTable&) = delete;

    // True when the table holds the key of `trimmed` (a password already
    // trimmed as the dictionary trims). Reads two or three cache lines and
    // never outside the mapping, whatever the file holds. Thread-safe.
    bool ContainsPassword(std::string_view trimmed) const;
    // The same for a key (KeyOfDigest of a SHA-1).
    bool ContainsKey(uint64_t key) const;

    // Reads the whole file and compares the data checksum: false when the
    // data after the header was altered since the build.
    bool VerifyData() const;

    const BreachHeader& Header() const { return header_; }
    uint64_t Entries() const { return header_.entryCount; }
    uint64_t FileBytes() const { return header_.fileBytes; }
    double FalsePositiveRate() const;

private:
    BreachTable() = default;

    const uint8_t* base_ = nullptr;
    size_t size_ = 0;
    BreachHeader header_ {};
    uint64_t universe_ = 0;  // M * 2^L
    const uint8_t* records_ = nullptr;
    const uint8_t* lows_ = nullptr;
};

}  // namespace breach

#endif  // PWDPOLICY_BREACH_BREACHTABLE_H
