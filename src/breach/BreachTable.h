// A breach table opened for lookups: the file mapped read-only, shared with
// every other process through the page cache. Opening reads the header, the
// exception pages and a sample of data pages, so it takes milliseconds
// whatever the size; every other page is checked against its checksum the
// first time a lookup reads it.
#ifndef PWDPOLICY_BREACH_BREACHTABLE_H
#define PWDPOLICY_BREACH_BREACHTABLE_H

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "breach/BreachFormat.h"
#include "breach/Placement.h"

namespace breach {

// What a lookup found.
enum class Lookup {
    kAbsent,
    kPresent,
    kDamaged,  // it read a page that fails its checksum: the answer is unknown
};

// What a full verification found.
struct VerifyReport {
    uint64_t pages = 0;                  // data pages checked
    uint64_t damagedPages = 0;
    std::vector<uint64_t> firstDamaged;  // up to 10 file page numbers (the header page is 0)
};

class BreachTable {
public:
    // Maps `path` and checks its header, its exception pages and a sample of
    // its data pages. Null when the file cannot be used; `*problem` then says
    // why in a few words ("bad magic: not a breach table", "truncated: ...",
    // "damaged: page 7 fails its checksum"). A table of format version 1 is
    // refused with a message that says how to rebuild it.
    static std::unique_ptr<BreachTable> Open(const std::string& path, std::string* problem);

    ~BreachTable();
    BreachTable(const BreachTable&) = delete;
    BreachTable& operator=(const BreachTable&) = delete;

    // True when the table holds the key of `trimmed` (a password already
    // trimmed as the dictionary trims), and also when the lookup meets a
    // damaged page: damage never lets a breached password through. Reads one
    // window of at most two pages, never outside the mapping. Thread-safe,
    // lock-free, allocates nothing. The first lookup that meets a damaged
    // page logs one ERROR line naming the file and the page.
    bool ContainsPassword(std::string_view trimmed) const;
    // The same for a key (KeyOfDigest of a SHA-1).
    bool ContainsKey(uint64_t key) const { return Find(key) != Lookup::kAbsent; }
    // The lookup itself, telling damage apart from presence.
    Lookup Find(uint64_t key) const;

    // Checks every data page (reading the whole file); damaged pages count
    // as met by lookups from then on. `progress`, when set, is called now and
    // then with the pages done and the total.
    VerifyReport Verify(const std::function<void(uint64_t done, uint64_t total)>& progress = nullptr) const;
    // Damaged pages met so far by lookups or verification, each counted once.
    uint64_t DamagedPages() const { return damagedPages_.load(std::memory_order_relaxed); }

    const BreachHeader& Header() const { return header_; }
    const std::string& Path() const { return path_; }
    uint64_t Entries() const { return header_.entryCount; }
    uint64_t FileBytes() const { return header_.fileBytes; }
    // 2^-r, the chance that a password not in the table is reported in it.
    double FalsePositiveRate() const;

private:
    BreachTable(const std::string& path, const BreachHeader& header);

    // Whether data page `page` (0-based) is intact, checking it on first use.
    bool PageIsIntact(uint64_t page) const;
    // Evaluates the equation starting at `start`: its r-bit result.
    uint64_t Evaluate(uint64_t start, const Coefficients& row) const;
    uint32_t ThresholdOf(uint64_t block) const;
    // Asks for the cache lines a chance starting at `start` reads.
    void Prefetch(uint64_t start) const;
    const uint8_t* DataPage(uint64_t page) const { return data_ + page * kPageBytes; }

    std::string path_;
    BreachHeader header_;
    Placement placement_;
    uint32_t blocksPerPage_;
    uint32_t slotsPerPage_;
    const uint8_t* base_ = nullptr;
    size_t size_ = 0;
    const uint8_t* data_ = nullptr;
    std::vector<uint64_t> exceptions_;  // mixed keys, ascending
    // Two bits a data page: checked, found damaged. Set once, never cleared.
    std::unique_ptr<std::atomic<uint64_t>[]> pageStates_;
    mutable std::atomic<uint64_t> damagedPages_{0};
};

}  // namespace breach

#endif  // PWDPOLICY_BREACH_BREACHTABLE_H
