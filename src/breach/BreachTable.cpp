#include "breach/BreachTable.h"

#include <fcntl.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <new>
#include <nettle/sha1.h>

#include "breach/BreachHash.h"
#include "support/FdCloser.h"

namespace breach {
namespace {

// Not std::to_string: its digit table is a GNU unique symbol, which would
// keep the component's library from ever being unloaded.
std::string Decimal(uint64_t value) {
    char text[24];
    (void)snprintf(text, sizeof text, "%llu", static_cast<unsigned long long>(value));
    return text;
}

std::string Describe(const char* what, uint64_t actual, uint64_t expected) {
    return std::string(what) + ": file has " + Decimal(actual) + " bytes, header says " +
           Decimal(expected);
}

// The header's own consistency, beyond magic, version and checksum. Empty
// when the parameters describe a file this reader can walk safely.
std::string CheckParameters(const BreachHeader& h) {
    if (h.headerBytes != kHeaderBytes || h.recordBytes != kRecordBytes) return "bad parameters: layout";
    if (h.hashId != kHashSha1) return "unknown hash " + Decimal(h.hashId);
    if (h.lowBits == 0 || h.lowBits > kMaxLowBits) return "bad parameters: lowBits";
    if (h.bucketsPerRecord == 0 || h.bucketsPerRecord > kRecordBits) {
        return "bad parameters: bucketsPerRecord";
    }
    if (h.bucketCount == 0 || (h.bucketCount >> (64 - h.lowBits)) != 0) {
        return "bad parameters: bucketCount";
    }
    const uint64_t records = (h.bucketCount + h.bucketsPerRecord - 1) / h.bucketsPerRecord;
    if (h.recordCount != records) return "bad parameters: recordCount";
    // Sizes must not wrap: at most 2^50 bytes of records and of lows.
    if (h.recordCount >> 44 != 0 || h.entryCount >> 44 != 0) return "bad parameters: too large";
    if (h.fileBytes != FileBytes(h.recordCount, h.entryCount, h.lowBits)) {
        return "bad parameters: fileBytes";
    }
    return "";
}

bool ChecksumMatches(const uint8_t* bytes, size_t length, const uint8_t expected[kSha1Bytes]) {
    uint8_t digest[kSha1Bytes];
    struct sha1_ctx context;
    sha1_init(&context);
    sha1_update(&context, length, bytes);
    sha1_digest(&context, kSha1Bytes, digest);
    return memcmp(digest, expected, kSha1Bytes) == 0;
}

uint64_t Word(const uint8_t* at) {
    uint64_t word;
    memcpy(&word, at, sizeof word);
    return word;
}

}  // namespace

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
    BreachHeader header;
    if (size < kHeaderBytes || pread(fd, &header, sizeof header, 0) != static_cast<ssize_t>(sizeof header)) {
        *problem = Describe("truncated", size, kHeaderBytes);
        return nullptr;
    }
    if (memcmp(header.magic, kMagic, sizeof kMagic) != 0) {
        *problem = "bad magic: not a breach table";
        return nullptr;
    }
    if (header.formatVersion != kFormatVersion) {
        *problem = "unsupported format version " + Decimal(header.formatVersion) +
                   " (this reader knows " + Decimal(kFormatVersion) + ")";
        return nullptr;
    }
    if (!ChecksumMatches(reinterpret_cast<const uint8_t*>(&header), offsetof(BreachHeader, headerChecksum),
                         header.headerChecksum)) {
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
    std::unique_ptr<BreachTable> table(new (std::nothrow) BreachTable());
    if (!table) {
        munmap(mapped, size);
        *problem = "out of memory";
        return nullptr;
    }
    table->base_ = static_cast<const uint8_t*>(mapped);
    table->size_ = size;
    table->header_ = header;
    table->universe_ = header.bucketCount << header.lowBits;
    table->records_ = table->base_ + kHeaderBytes;
    table->lows_ = table->records_ + header.recordCount * kRecordBytes;
    return table;
}

BreachTable::~BreachTable() {
    if (base_ != nullptr) munmap(const_cast<uint8_t*>(base_), size_);
}

bool BreachTable::ContainsPassword(std::string_view trimmed) const {
    return ContainsKey(KeyOfPassword(trimmed));
}

bool BreachTable::ContainsKey(uint64_t key) const {
    const uint32_t lowBits = header_.lowBits;
    const uint64_t fingerprint = Fingerprint(key, universe_);
    const uint64_t bucket = fingerprint >> lowBits;
    const uint64_t low = fingerprint & ((uint64_t{1} << lowBits) - 1);
    // bucket < M, so the record lies inside the mapping whatever it holds.
    const uint8_t* record = records_ + (bucket / header_.bucketsPerRecord) * kRecordBytes;
    uint32_t zerosToSkip = static_cast<uint32_t>(bucket % header_.bucketsPerRecord);

    // Bucket j's entries are the ones between the j-th zero and the next one.
    uint32_t start = 0;
    uint32_t word = 0;
    constexpr uint32_t kWords = kRecordBits / 64;
    if (zerosToSkip > 0) {
        for (;; ++word) {
            if (word == kWords) return false;  // fewer zeros than buckets: corrupt
            uint64_t zeros = ~Word(record + 8 + size_t{8} * word);
            const uint32_t count = static_cast<uint32_t>(__builtin_popcountll(zeros));
            if (zerosToSkip <= count) {
                while (--zerosToSkip > 0) zeros &= zeros - 1;
                start = word * 64 + static_cast<uint32_t>(__builtin_ctzll(zeros)) + 1;
                break;
            }
            zerosToSkip -= count;
        }
    }
    // The ones from `start` on: the bucket's size.
    uint32_t size = 0;
    for (uint32_t at = start; at < kRecordBits;) {
        const uint32_t offset = at % 64;
        // Shifted in zeros become ones here, so only a whole word of ones
        // leaves nothing to count trailing zeros of. (cppcheck 2.10 gives up
        // on the loop's value flow and says so as an error of its own.)
        // cppcheck-suppress cppcheckError
        const uint64_t notOnes = ~(Word(record + 8 + size_t{8} * (at / 64)) >> offset);
        const uint32_t run = notOnes == 0 ? 64 : static_cast<uint32_t>(__builtin_ctzll(notOnes));
        size += run;
        if (run < 64 - offset) break;
        at += run;
    }
    const uint64_t first = Word(record) + (start - (bucket % header_.bucketsPerRecord));
    const uint64_t entries = header_.entryCount;
    if (first > entries || size > entries - first) return false;  // corrupt index

    // The bucket's lows are sorted; each is one 8-byte load, which the
    // slack after the lows keeps inside the file.
    const uint64_t mask = (uint64_t{1} << lowBits) - 1;
    for (uint64_t i = first; i < first + size; ++i) {
        const uint64_t bit = i * lowBits;
        const uint64_t stored = (Word(lows_ + bit / 8) >> (bit % 8)) & mask;
        if (stored >= low) return stored == low;
    }
    return false;
}

bool BreachTable::VerifyData() const {
    return ChecksumMatches(base_ + kHeaderBytes, size_ - kHeaderBytes, header_.dataChecksum);
}

double BreachTable::FalsePositiveRate() const {
    return breach::FalsePositiveRate(header_.entryCount, header_.bucketCount, header_.lowBits);
}

}  // namespace breach
