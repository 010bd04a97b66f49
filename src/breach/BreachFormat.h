// The breach table's file format, shared by the reader and the builder.
// docs/breach-table.md explains the layout and its arithmetic.
//
//   header    128 bytes, BreachHeader below
//   records   recordCount x 64 bytes: for each run of bucketsPerRecord
//             buckets, the index of its first entry (8 bytes) and the
//             bucket sizes in unary (448 bits)
//   lows      entryCount x lowBits, packed LSB first, then 8 zero bytes so
//             that every read of a low is one 8-byte load inside the file
//
// All integers are little-endian; bit i of a bit area is bit i % 64 of its
// 64-bit word i / 64.
#ifndef PWDPOLICY_BREACH_BREACHFORMAT_H
#define PWDPOLICY_BREACH_BREACHFORMAT_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace breach {

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "the table is read in place: a big-endian host would need byte swaps");

constexpr char kMagic[8] = {'P', 'P', 'C', 'B', 'R', 'C', 'H', '\n'};
constexpr uint32_t kFormatVersion = 1;
// The key of a password: the first 8 bytes of the SHA-1 of its trimmed
// bytes, read big-endian (as the downloaded list's hex digits are written).
constexpr uint32_t kHashSha1 = 1;

constexpr size_t kHeaderBytes = 128;
constexpr size_t kRecordBytes = 64;
// 512 bits a record, less the 64-bit first-entry index.
constexpr uint32_t kRecordBits = 448;
// Buckets a record covers. With at least kMinBucketsPerEntry buckets an
// entry, a record holds 124 entries on average and room for 224: the
// chance that one overflows is below 1e-16 (Poisson tail), and the builder
// spreads the entries more thinly and starts again if one does.
constexpr uint32_t kBucketsPerRecord = 224;
constexpr double kMinBucketsPerEntry = 1.8;
// A low is read with one unaligned 8-byte load after a shift of up to 7.
constexpr uint32_t kMaxLowBits = 56;
constexpr size_t kLowsSlackBytes = 8;

struct BreachHeader {
    char magic[8];
    uint32_t formatVersion;
    uint32_t headerBytes;
    uint32_t hashId;
    uint32_t lowBits;           // L: bits of each entry's fingerprint stored in full
    uint32_t bucketsPerRecord;  // G
    uint32_t recordBytes;
    uint64_t bucketCount;       // M: fingerprints range over [0, M * 2^L)
    uint64_t recordCount;       // ceil(M / G)
    uint64_t entryCount;        // N distinct fingerprints
    uint64_t fileBytes;
    uint64_t buildTime;         // seconds since the epoch
    uint32_t minCount;          // --min-count of the build
    uint32_t reserved;
    uint8_t dataChecksum[20];   // SHA-1 of every byte after the header
    uint8_t headerChecksum[20]; // SHA-1 of the header's first 100 bytes
    uint8_t padding[8];
};
static_assert(sizeof(BreachHeader) == kHeaderBytes, "the header is 128 bytes on disk");
static_assert(offsetof(BreachHeader, headerChecksum) == 100, "checksum covers bytes 0-99");

// Bytes of the lows area for `entries` fingerprints of `lowBits` bits.
inline uint64_t LowsBytes(uint64_t entries, uint32_t lowBits) {
    return (entries * lowBits + 7) / 8 + kLowsSlackBytes;
}

inline uint64_t FileBytes(uint64_t recordCount, uint64_t entries, uint32_t lowBits) {
    return kHeaderBytes + recordCount * kRecordBytes + LowsBytes(entries, lowBits);
}

// The chance that a password not in the table is reported in it: the
// chance that its fingerprint equals one of N out of M * 2^L.
inline double FalsePositiveRate(uint64_t entries, uint64_t buckets, uint32_t lowBits) {
    return static_cast<double>(entries) / (static_cast<double>(buckets) * static_cast<double>(uint64_t{1} << lowBits));
}

// The fingerprint of a 64-bit key: floor(key * M * 2^L / 2^64), a uniform
// value in [0, M * 2^L) that keeps the keys' order.
inline uint64_t Fingerprint(uint64_t key, uint64_t universe) {
    return static_cast<uint64_t>((static_cast<unsigned __int128>(key) * universe) >> 64);
}

}  // namespace breach

#endif  // PWDPOLICY_BREACH_BREACHFORMAT_H
