#include "breach/TableWriter.h"

#include <string.h>

#include "breach/TempFile.h"

namespace breach {
namespace {

constexpr size_t kFlushBytes = 1 << 20;

}  // namespace

TableWriter::TableWriter(int fd, uint64_t buckets, uint32_t lowBits)
    : fd_(fd),
      lowBits_(lowBits),
      recordCount_((buckets + kBucketsPerRecord - 1) / kBucketsPerRecord),
      lowsOffset_(kHeaderBytes + recordCount_ * kRecordBytes) {
    records_.reserve(kFlushBytes + kRecordBytes);
    lows_.reserve(kFlushBytes + 16);
}

void TableWriter::EndRecord() {
    words_[0] = entries_ - inRecord_;
    const size_t at = records_.size();
    records_.resize(at + kRecordBytes);
    memcpy(records_.data() + at, words_, kRecordBytes);
    if (records_.size() >= kFlushBytes) FlushRecords();
    memset(words_, 0, sizeof words_);
    inRecord_ = 0;
    ++record_;
}

void TableWriter::FlushRecords() {
    WriteAt(fd_, records_.data(), records_.size(), kHeaderBytes + recordsWritten_);
    recordsWritten_ += records_.size();
    records_.clear();
}

void TableWriter::PutLow(uint64_t low) {
    pending_ |= static_cast<unsigned __int128>(low) << pendingBits_;
    pendingBits_ += lowBits_;
    while (pendingBits_ >= 8) {
        lows_.push_back(static_cast<uint8_t>(pending_));
        pending_ >>= 8;
        pendingBits_ -= 8;
    }
    if (lows_.size() >= kFlushBytes) FlushLows();
}

void TableWriter::FlushLows() {
    WriteAt(fd_, lows_.data(), lows_.size(), lowsOffset_ + lowsWritten_);
    lowsWritten_ += lows_.size();
    lows_.clear();
}

bool TableWriter::Add(uint64_t fingerprint) {
    if (any_ && fingerprint == last_) return true;
    const uint64_t bucket = fingerprint >> lowBits_;
    const uint64_t record = bucket / kBucketsPerRecord;
    while (record_ < record) EndRecord();
    // Entry k of the record, in bucket j of it, is the one at bit j + k: the
    // ones before bucket j's zero-terminated run are the entries before it.
    const uint64_t bit = bucket % kBucketsPerRecord + inRecord_;
    if (bit >= kRecordBits) return false;
    words_[1 + bit / 64] |= uint64_t{1} << (bit % 64);
    ++inRecord_;
    ++entries_;
    PutLow(fingerprint & ((uint64_t{1} << lowBits_) - 1));
    any_ = true;
    last_ = fingerprint;
    return true;
}

uint64_t TableWriter::Finish() {
    while (record_ < recordCount_) EndRecord();
    FlushRecords();
    if (pendingBits_ > 0) lows_.push_back(static_cast<uint8_t>(pending_));
    lows_.resize(lows_.size() + kLowsSlackBytes, 0);
    FlushLows();
    return entries_;
}

}  // namespace breach
