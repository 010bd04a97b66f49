#include "breach/BreachTable.h"

#include <fcntl.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <new>

#include "breach/BreachHash.h"
#include "breach/PageChecksum.h"
#include "support/FdCloser.h"
#include "support/Log.h"

namespace breach {
namespace {

// Data pages checked at open besides the first and the last: enough to
// refuse a table whose data area was zeroed or never written.
constexpr uint64_t kSampledPages = 6;
constexpr size_t kReportedPages = 10;

// Not std::to_string: its digit table is a GNU unique symbol, which would
// keep the component's library from ever being unloaded.
std::string Decimal(uint64_t value) {
    char text[24];
    (void)snprintf(text, sizeof text, "%llu", static_cast<unsigned long long>(value));
    return text;
}

std::string Describe(const char* what, uint64_t actual, uint64_t expected) {
    return std::string(what) + ": file has " + Decimal(actual) + " bytes, header says " + Decimal(expected);
}

// The header's own consistency, beyond magic, version and checksum. Empty
// when the parameters describe a file this reader can walk safely.
std::string CheckParameters(const BreachHeader& h) {
    if (h.headerBytes != kPageBytes || h.ribbonWidth != kRibbonWidth) return "bad parameters: layout";
    if (h.hashId != kHashSha1) return "unknown hash " + Decimal(h.hashId);
    if (h.resultBits < kMinResultBits || h.resultBits > kMaxResultBits) return "bad parameters: resultBits";
    if (h.blocksPerPage != BlocksPerPage(h.resultBits)) return "bad parameters: blocksPerPage";
    if (h.segmentPages < 2 || h.segmentPages > kMaxDataPages) return "bad parameters: segmentPages";
    if (h.entryCount > kMaxEntries) return "bad parameters: entryCount";
    const uint64_t slots = h.dataPages * kBlockSlots * h.blocksPerPage;
    if (h.entryCount == 0 ? h.dataPages != 0
                          : h.dataPages < 2 || h.dataPages > kMaxDataPages || h.entryCount > slots) {
        return "bad parameters: dataPages";
    }
    if (h.exceptionCount > kMaxExceptions || h.exceptionCount > h.entryCount) {
        return "bad parameters: exceptionCount";
    }
    if (h.fileBytes != FileBytes(h.dataPages, h.exceptionCount)) return "bad parameters: fileBytes";
    return "";
}

uint64_t Word(const uint8_t* at) {
    uint64_t word;
    memcpy(&word, at, sizeof word);
    return word;
}

}  // namespace

BreachTable::BreachTable(const std::string& path, const BreachHeader& header)
    : path_(path),
      header_(header),
      placement_(kBlockSlots * header.blocksPerPage, header.segmentPages, header.dataPages),
      blocksPerPage_(header.blocksPerPage),
      slotsPerPage_(kBlockSlots * header.blocksPerPage) {}

std::unique_ptr<BreachTable> BreachTable::Open(const std::string& path, std::string* problem) {
    // Not blocking on a FIFO, regular files only.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *problem = std::string("cannot open: ") + strerror(errno);
        return nullptr;
    }
    FdCloser closer(fd);
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        *problem = "not a regular file";
        return nullptr;
    }
    const uint64_t size = static_cast<uint64_t>(info.st_size);
    alignas(8) uint8_t headerPage[kPageBytes];
    if (size < kHeaderBytes || pread(fd, headerPage, kHeaderBytes, 0) != static_cast<ssize_t>(kHeaderBytes)) {
        *problem = Describe("truncated", size, kHeaderBytes);
        return nullptr;
    }
    BreachHeader header;
    memcpy(&header, headerPage, sizeof header);
    if (memcmp(header.magic, kMagic, sizeof kMagic) != 0) {
        *problem = "bad magic: not a breach table";
        return nullptr;
    }
    if (header.formatVersion == kRetiredFormatVersion) {
        *problem = "format version 1 is no longer read (it cannot detect damage): rebuild the table with "
                   "ppc breach build";
        return nullptr;
    }
    if (header.formatVersion != kFormatVersion) {
        *problem = "unsupported format version " + Decimal(header.formatVersion) + " (this reader knows " +
                   Decimal(kFormatVersion) + ")";
        return nullptr;
    }
    if (size < kPageBytes || pread(fd, headerPage, kPageBytes, 0) != static_cast<ssize_t>(kPageBytes)) {
        *problem = Describe("truncated", size, kPageBytes);
        return nullptr;
    }
    if (!PageIsSound(headerPage, 0, 0)) {
        *problem = "header checksum mismatch";
        return nullptr;
    }
    std::string parameters = CheckParameters(header);
    if (!parameters.empty()) {
        *problem = std::move(parameters);
        return nullptr;
    }
    if (size != header.fileBytes) {
        *problem = Describe(size < header.fileBytes ? "truncated" : "size mismatch", size, header.fileBytes);
        return nullptr;
    }
    void* mapped = mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
    if (mapped == MAP_FAILED) {
        *problem = std::string("cannot map: ") + strerror(errno);
        return nullptr;
    }
    // Lookups jump: reading ahead would only fill the cache with neighbours.
    (void)madvise(mapped, size, MADV_RANDOM);
    std::unique_ptr<BreachTable> table(new (std::nothrow) BreachTable(path, header));
    const uint64_t stateWords = (header.dataPages + 31) / 32;
    if (table) table->pageStates_.reset(new (std::nothrow) std::atomic<uint64_t>[stateWords]());
    if (!table || !table->pageStates_) {
        munmap(mapped, size);
        *problem = "out of memory";
        return nullptr;
    }
    table->base_ = static_cast<const uint8_t*>(mapped);
    table->size_ = size;
    table->data_ = table->base_ + kPageBytes;

    // The exceptions are few (none in most tables): copied, so that a lookup
    // that needs them reads nothing outside its window.
    const uint64_t firstExceptionPage = 1 + header.dataPages;
    try {
        table->exceptions_.reserve(header.exceptionCount);
    } catch (const std::bad_alloc&) {
        *problem = "out of memory";
        return nullptr;
    }
    for (uint64_t i = 0; i < header.exceptionCount; ++i) {
        const uint64_t pageNumber = firstExceptionPage + i / kExceptionsPerPage;
        const uint8_t* exceptionPage = table->base_ + pageNumber * kPageBytes;
        if (i % kExceptionsPerPage == 0 && !PageIsSound(exceptionPage, pageNumber, header.seed)) {
            *problem = "damaged: page " + Decimal(pageNumber) + " fails its checksum";
            return nullptr;
        }
        const uint64_t mixed = Word(exceptionPage + 8 * (i % kExceptionsPerPage));
        if (i > 0 && mixed <= table->exceptions_.back()) {
            *problem = "damaged: the exceptions are out of order";
            return nullptr;
        }
        table->exceptions_.push_back(mixed);
    }
    // A sample of the data, so that a table whose data area was zeroed or
    // never written is refused at once instead of failing every lookup.
    const uint64_t pages = header.dataPages;
    for (uint64_t k = 0; pages > 0 && k < kSampledPages + 2; ++k) {
        const uint64_t page = k == 0 ? 0 : k == 1 ? pages - 1 : (pages - 1) * (k - 1) / (kSampledPages + 1);
        const bool sound = PageIsSound(table->DataPage(page), page + 1, header.seed);
        if (!sound) {
            *problem = "damaged: page " + Decimal(page + 1) + " fails its checksum";
            return nullptr;
        }
        table->pageStates_[page / 32].fetch_or(uint64_t{1} << (2 * (page % 32)), std::memory_order_relaxed);
    }
    return table;
}

BreachTable::~BreachTable() {
    if (base_ != nullptr) munmap(const_cast<uint8_t*>(base_), size_);
}

bool BreachTable::PageIsIntact(uint64_t page) const {
    std::atomic<uint64_t>& word = pageStates_[page / 32];
    const unsigned shift = 2 * (page % 32);
    const uint64_t state = word.load(std::memory_order_relaxed) >> shift;
    if ((state & 1) != 0) return (state & 2) == 0;
    const bool sound = PageIsSound(DataPage(page), page + 1, header_.seed);
    const uint64_t before = word.fetch_or(uint64_t{sound ? 1u : 3u} << shift, std::memory_order_relaxed) >> shift;
    if (!sound && (before & 2) == 0) {
        damagedPages_.fetch_add(1, std::memory_order_relaxed);
        const unsigned long long first = (page + 1) * kPageBytes;
        PPC_LOG_ERROR("BreachTable",
                      "breach table %s: page %llu (bytes %llu-%llu) fails its checksum: lookups that read it "
                      "answer breached\n",
                      path_.c_str(), static_cast<unsigned long long>(page + 1), first, first + kPageBytes - 1);
    }
    return sound && (before & 2) == 0;
}

uint32_t BreachTable::ThresholdOf(uint64_t block) const {
    const uint32_t inPage = static_cast<uint32_t>(block % blocksPerPage_);
    const uint8_t* words = DataPage(block / blocksPerPage_) + ThresholdOffset(blocksPerPage_);
    const uint64_t word = Word(words + size_t{8} * (inPage / kThresholdsPerWord));
    return kThresholds[(word >> (kThresholdBits * (inPage % kThresholdsPerWord))) & 7];
}

uint64_t BreachTable::Evaluate(uint64_t start, const Coefficients& row) const {
    const uint32_t bits = header_.resultBits;
    const uint64_t block = start / kBlockSlots;
    const unsigned offset = start % kBlockSlots;
    auto blockAt = [this, bits](uint64_t b) {
        return DataPage(b / blocksPerPage_) + BlockOffset(static_cast<uint32_t>(b % blocksPerPage_), bits);
    };
    // Slot start + j is bit (offset + j) % 64 of block block + (offset + j) / 64.
    const uint8_t* first = blockAt(block);
    const uint8_t* second = blockAt(block + 1);
    uint64_t result = 0;
    if (offset == 0) {
        for (uint32_t i = 0; i < bits; ++i) {
            const uint64_t x = (Word(first + size_t{8} * i) & row.low) ^ (Word(second + size_t{8} * i) & row.high);
            result |= uint64_t(__builtin_popcountll(x) & 1) << i;
        }
        return result;
    }
    const uint8_t* third = blockAt(block + 2);
    const uint64_t mask0 = row.low << offset;
    const uint64_t mask1 = (row.low >> (64 - offset)) | (row.high << offset);
    const uint64_t mask2 = row.high >> (64 - offset);
    for (uint32_t i = 0; i < bits; ++i) {
        const uint64_t x =
            (Word(first + size_t{8} * i) & mask0) ^ (Word(second + size_t{8} * i) & mask1) ^
            (Word(third + size_t{8} * i) & mask2);
        result |= uint64_t(__builtin_popcountll(x) & 1) << i;
    }
    return result;
}

void BreachTable::Prefetch(uint64_t start) const {
    const uint64_t block = start / kBlockSlots;
    const uint64_t blocks = start % kBlockSlots == 0 ? 2 : 3;
    const size_t blockBytes = 8 * size_t{header_.resultBits};
    __builtin_prefetch(DataPage(block / blocksPerPage_) + ThresholdOffset(blocksPerPage_));
    for (uint64_t b = block; b < block + blocks; ++b) {
        const uint8_t* at = DataPage(b / blocksPerPage_) + BlockOffset(static_cast<uint32_t>(b % blocksPerPage_),
                                                                       header_.resultBits);
        for (size_t line = 0; line < blockBytes + 63; line += 64) __builtin_prefetch(at + std::min(line, blockBytes - 1));
    }
}

Lookup BreachTable::Find(uint64_t key) const {
    if (header_.entryCount == 0) return Lookup::kAbsent;
    const uint64_t mixed = MixKey(key, header_.seed);
    uint64_t start = placement_.FirstStart(mixed);
    // Most lookups end at their first chance: its threshold word and its
    // equation's blocks (a dozen cache lines) are asked for at once, so that
    // their misses overlap instead of following one another.
    Prefetch(start);
    const uint64_t windowLast = placement_.WindowLast(start);
    // Each bumped chance moves on by at least a block inside a window of two
    // pages, so the loop ends.
    for (uint32_t chance = 1;; ++chance) {
        const uint64_t block = start / kBlockSlots;
        const uint64_t page = block / blocksPerPage_;
        if (!PageIsIntact(page)) return Lookup::kDamaged;
        if (placement_.Priority(start, windowLast) >= ThresholdOf(block)) {
            const uint64_t lastPage = (start + kRibbonWidth - 1) / slotsPerPage_;
            if (lastPage != page && !PageIsIntact(lastPage)) return Lookup::kDamaged;
            const bool match = Evaluate(start, CoefficientsOf(mixed, chance)) ==
                               FingerprintOf(mixed, header_.resultBits);
            return match ? Lookup::kPresent : Lookup::kAbsent;
        }
        if (!placement_.NextStart(mixed, chance, start, windowLast, &start)) {
            const bool listed = std::binary_search(exceptions_.begin(), exceptions_.end(), mixed);
            return listed ? Lookup::kPresent : Lookup::kAbsent;
        }
    }
}

bool BreachTable::ContainsPassword(std::string_view trimmed) const { return ContainsKey(KeyOfPassword(trimmed)); }

VerifyReport BreachTable::Verify(const std::function<void(uint64_t done, uint64_t total)>& progress) const {
    VerifyReport report;
    const uint64_t pages = header_.dataPages;
    constexpr uint64_t kAhead = 256;  // pages asked for ahead of the check: 1 MiB
    for (uint64_t page = 0; page < pages; ++page) {
        // The mapping reads one page a fault (MADV_RANDOM): ask for the next
        // stretch in one go.
        if (page % kAhead == 0) {
            const uint64_t count = std::min(kAhead, pages - page);
            (void)madvise(const_cast<uint8_t*>(DataPage(page)), count * kPageBytes, MADV_WILLNEED);
        }
        if (!PageIsIntact(page)) {
            ++report.damagedPages;
            if (report.firstDamaged.size() < kReportedPages) report.firstDamaged.push_back(page + 1);
        }
        if (progress && (page + 1) % 4096 == 0) progress(page + 1, pages);
    }
    report.pages = pages;
    return report;
}

double BreachTable::FalsePositiveRate() const {
    return header_.entryCount == 0 ? 0.0 : 1.0 / static_cast<double>(uint64_t{1} << header_.resultBits);
}

}  // namespace breach
