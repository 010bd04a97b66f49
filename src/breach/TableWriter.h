// Writes the records and lows of a breach table from fingerprints given in
// ascending order, straight to their places in the file.
#ifndef PWDPOLICY_BREACH_TABLEWRITER_H
#define PWDPOLICY_BREACH_TABLEWRITER_H

#include <cstdint>
#include <vector>

#include "breach/BreachFormat.h"

namespace breach {

class TableWriter {
public:
    // `fd`: the table file, written from byte kHeaderBytes on.
    TableWriter(int fd, uint64_t buckets, uint32_t lowBits);

    // Adds `fingerprint` (< buckets * 2^lowBits, not below the last one; a
    // repeat is dropped). False when its record is full: the caller must
    // start again with more buckets.
    bool Add(uint64_t fingerprint);
    // Writes the remaining records and the lows; returns the entry count.
    uint64_t Finish();

    uint64_t RecordCount() const { return recordCount_; }

private:
    void EndRecord();
    void PutLow(uint64_t low);
    void FlushRecords();
    void FlushLows();

    int fd_;
    uint32_t lowBits_;
    uint64_t recordCount_;
    uint64_t lowsOffset_;

    uint64_t record_ = 0;          // index of the record being filled
    uint64_t words_[8] = {};       // its first-entry index and unary bits
    uint32_t inRecord_ = 0;        // entries in it so far
    uint64_t entries_ = 0;
    bool any_ = false;
    uint64_t last_ = 0;

    std::vector<uint8_t> records_;  // record bytes not yet written
    uint64_t recordsWritten_ = 0;
    std::vector<uint8_t> lows_;     // whole bytes of lows not yet written
    uint64_t lowsWritten_ = 0;
    unsigned __int128 pending_ = 0; // bits not yet a whole byte, LSB first
    uint32_t pendingBits_ = 0;
};

}  // namespace breach

#endif  // PWDPOLICY_BREACH_TABLEWRITER_H
