// The breach table's file format (version 2), shared by the reader and the
// builder. docs/breach-table.md explains the structure, the arithmetic and
// why it is what it is.
//
//   page 0            the header page: BreachHeader, zeros, checksum
//   pages 1..P        data pages: blocks of solution bits, one 64-bit word of
//                     bumping thresholds per 21 blocks, checksum
//   pages P+1..P+X    exception pages: the keys no data page could place,
//                     511 a page in ascending order, checksum
//
// Every page is 4096 bytes and ends with its 64-bit checksum (PageChecksum),
// so a page can be verified on its own the first time a lookup reads it.
// All integers are little-endian.
#ifndef PWDPOLICY_BREACH_BREACHFORMAT_H
#define PWDPOLICY_BREACH_BREACHFORMAT_H

#include <cstddef>
#include <cstdint>

namespace breach {

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "the table is read in place: a big-endian host would need byte swaps");

constexpr char kMagic[8] = {'P', 'P', 'C', 'B', 'R', 'C', 'H', '\n'};
constexpr uint32_t kFormatVersion = 2;
// Version 1 (a sorted fingerprint list without page checksums) is refused
// with a message that says how to rebuild.
constexpr uint32_t kRetiredFormatVersion = 1;
// The key of a password: the first 8 bytes of the SHA-1 of its trimmed
// bytes, read big-endian (as the downloaded list's hex digits are written).
constexpr uint32_t kHashSha1 = 1;

constexpr size_t kPageBytes = 4096;
constexpr size_t kChecksumBytes = 8;
constexpr size_t kPagePayloadBytes = kPageBytes - kChecksumBytes;
// What must be read before a file can be recognised at all.
constexpr size_t kHeaderBytes = 128;

// The retrieval structure: each key's equation covers kRibbonWidth
// consecutive slots of r bits; slots are grouped in blocks of kBlockSlots,
// stored as r words (word i holds bit i of the block's 64 slots).
constexpr uint32_t kRibbonWidth = 128;
constexpr uint32_t kBlockSlots = 64;
// Each block is a bucket with a 3-bit bumping threshold: keys whose priority
// (0..63) is below kThresholds[t] were moved to their next chance.
constexpr uint32_t kThresholdBits = 3;
constexpr uint8_t kThresholds[8] = {0, 6, 12, 18, 24, 30, 36, 64};
constexpr uint32_t kThresholdsPerWord = 64 / kThresholdBits;
constexpr uint32_t kExceptionsPerPage = kPagePayloadBytes / 8;

// Bounds that keep every product below 2^64 and every mapping addressable.
constexpr uint32_t kMinResultBits = 8;
constexpr uint32_t kMaxResultBits = 40;
constexpr uint64_t kMaxEntries = uint64_t{1} << 36;
constexpr uint64_t kMaxDataPages = uint64_t{1} << 27;
constexpr uint64_t kMaxExceptions = uint64_t{1} << 16;

struct BreachHeader {
    char magic[8];
    uint32_t formatVersion;
    uint32_t headerBytes;     // kPageBytes: the header page
    uint32_t hashId;
    uint32_t resultBits;      // r: fingerprint bits, false-positive rate 2^-r
    uint32_t ribbonWidth;     // kRibbonWidth
    uint32_t blocksPerPage;   // BlocksPerPage(r)
    uint32_t segmentPages;    // no equation crosses a multiple of this many pages
    uint32_t minCount;        // --min-count of the build
    uint64_t dataPages;       // P
    uint64_t entryCount;      // N distinct keys
    uint64_t exceptionCount;  // keys stored in the exception pages
    uint64_t fileBytes;
    uint64_t buildTime;       // seconds since the epoch
    uint64_t seed;            // mixes the keys; chosen at random by each build
    uint8_t reserved[40];
};
static_assert(sizeof(BreachHeader) == kHeaderBytes, "the header structure is 128 bytes on disk");
static_assert(offsetof(BreachHeader, formatVersion) == 8, "the version sits where version 1 had it");

// Blocks a data page holds for r-bit slots: as many as leave room for their
// threshold words and the checksum. 17 for r = 30, which fills the page.
constexpr uint32_t ThresholdWords(uint32_t blocks) {
    return (blocks + kThresholdsPerWord - 1) / kThresholdsPerWord;
}
constexpr uint32_t BlocksPerPage(uint32_t resultBits) {
    uint32_t blocks = static_cast<uint32_t>(kPagePayloadBytes / (size_t{8} * resultBits));
    while (blocks * 8 * resultBits + 8 * ThresholdWords(blocks) > kPagePayloadBytes) --blocks;
    return blocks;
}
static_assert(BlocksPerPage(30) == 17 && 17 * 240 + 8 + 8 == kPageBytes, "r = 30 fills a page");

// Where things sit inside a data page.
constexpr size_t BlockOffset(uint32_t block, uint32_t resultBits) { return size_t{block} * 8 * resultBits; }
constexpr size_t ThresholdOffset(uint32_t blocks) { return kPagePayloadBytes - 8 * size_t{ThresholdWords(blocks)}; }

constexpr uint64_t ExceptionPages(uint64_t exceptions) {
    return (exceptions + kExceptionsPerPage - 1) / kExceptionsPerPage;
}
constexpr uint64_t FileBytes(uint64_t dataPages, uint64_t exceptions) {
    return kPageBytes * (1 + dataPages + ExceptionPages(exceptions));
}

}  // namespace breach

#endif  // PWDPOLICY_BREACH_BREACHFORMAT_H
