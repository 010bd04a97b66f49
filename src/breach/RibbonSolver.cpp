#include "breach/RibbonSolver.h"

#include <string.h>

#include <algorithm>

#include "breach/BreachFormat.h"
#include "breach/PageChecksum.h"

namespace breach {
namespace {

using Row = unsigned __int128;

Row RowOf(const Coefficients& c) { return (Row{c.high} << 64) | c.low; }

unsigned TrailingZeros(Row row) {
    const uint64_t low = static_cast<uint64_t>(row);
    return low != 0 ? static_cast<unsigned>(__builtin_ctzll(low))
                    : 64 + static_cast<unsigned>(__builtin_ctzll(static_cast<uint64_t>(row >> 64)));
}

unsigned Parity(Row row) {
    return static_cast<unsigned>(__builtin_parityll(static_cast<uint64_t>(row) ^ static_cast<uint64_t>(row >> 64)));
}

}  // namespace

RibbonSolver::RibbonSolver(const SolverShape& shape, PageSink pages)
    : shape_(shape),
      placement_(kBlockSlots * shape.blocksPerPage, shape.segmentPages, shape.dataPages),
      pages_(std::move(pages)),
      slotsPerPage_(uint64_t{kBlockSlots} * shape.blocksPerPage),
      blocks_(shape.dataPages * shape.blocksPerPage),
      blocksPerSegment_(uint64_t{shape.segmentPages} * shape.blocksPerPage) {
    const uint64_t segmentSlots = std::min<uint64_t>(shape.segmentPages, shape.dataPages) * slotsPerPage_;
    rows_.assign(segmentSlots, 0);
    values_.assign(segmentSlots, 0);
    thresholds_.assign(segmentSlots / kBlockSlots, 0);
    // A later chance starts at most two pages of blocks after the block that
    // bumped it: the ring of waiting lists never wraps onto a live one.
    waiting_.resize(2 * size_t{shape.blocksPerPage} + 2);
}

void RibbonSolver::Queue(const Pending& pending) {
    waiting_[(pending.start / kBlockSlots) % waiting_.size()].push_back(pending);
}

void RibbonSolver::Add(uint64_t mixed) {
    const uint64_t start = placement_.FirstStart(mixed);
    const uint64_t block = start / kBlockSlots;
    while (nextBlock_ < block) PlaceBlock(nextBlock_++);
    const uint64_t windowLast = placement_.WindowLast(start);
    Queue({mixed, start, windowLast, 1, placement_.Priority(start, windowLast)});
}

bool RibbonSolver::Insert(uint64_t slot, Row row, uint64_t value) {
    // The row's leading 1 is at `slot`; it stays inside the equation's 128
    // slots, which end inside the segment.
    for (;;) {
        if ((rows_[slot] & 1) == 0) {
            rows_[slot] = row;
            values_[slot] = value;
            inserted_.push_back(slot);
            return true;
        }
        row ^= rows_[slot];
        value ^= values_[slot];
        if (row == 0) return false;  // dependent, and its value almost surely disagrees
        const unsigned shift = TrailingZeros(row);
        row >>= shift;
        slot += shift;
    }
}

void RibbonSolver::PlaceBlock(uint64_t block) {
    if (block > 0 && block % blocksPerSegment_ == 0) SolveSegment();
    std::vector<Pending>& keys = waiting_[block % waiting_.size()];
    const uint64_t inSegment = block - segmentFirstSlot_ / kBlockSlots;
    if (keys.empty()) return;
    std::sort(keys.begin(), keys.end(), [](const Pending& a, const Pending& b) {
        return a.priority != b.priority ? a.priority > b.priority : a.mixed < b.mixed;
    });
    inserted_.clear();
    std::vector<size_t> marks;
    marks.reserve(keys.size());
    size_t placed = 0;
    uint32_t needed = 0;
    for (; placed < keys.size(); ++placed) {
        const Pending& key = keys[placed];
        marks.push_back(inserted_.size());
        const Row row = RowOf(CoefficientsOf(key.mixed, key.chance));
        if (!Insert(key.start - segmentFirstSlot_, row, FingerprintOf(key.mixed, shape_.resultBits))) {
            needed = key.priority + 1;
            break;
        }
    }
    uint8_t level = 0;
    while (kThresholds[level] < needed) ++level;
    size_t keep = placed;
    while (keep > 0 && keys[keep - 1].priority < kThresholds[level]) --keep;
    if (keep < placed) {
        for (size_t i = inserted_.size(); i > marks[keep]; --i) rows_[inserted_[i - 1]] = 0;
    }
    thresholds_[inSegment] = level;
    for (size_t i = keep; i < keys.size(); ++i) {
        Pending next = keys[i];
        if (placement_.NextStart(next.mixed, next.chance, next.start, next.windowLast, &next.start)) {
            ++next.chance;
            next.priority = placement_.Priority(next.start, next.windowLast);
            Queue(next);
        } else {
            exceptions_.push_back(next.mixed);
        }
    }
    keys.clear();
}

void RibbonSolver::SolveSegment() {
    const uint32_t bits = shape_.resultBits;
    const uint32_t blocksPerPage = shape_.blocksPerPage;
    const uint64_t firstPage = segmentFirstSlot_ / slotsPerPage_;
    const uint64_t pages = std::min<uint64_t>(shape_.segmentPages, shape_.dataPages - firstPage);
    const uint64_t slots = pages * slotsPerPage_;
    pageBytes_.assign(pages * kPageBytes, 0);

    // Back substitution, last slot first. state[i] holds bit i of the 128
    // slots after the current one, nearest in bit 0; after each block's
    // first slot, its low word is the block's word i.
    Row state[kMaxResultBits] = {};
    for (uint64_t slot = slots; slot-- > 0;) {
        const Row row = rows_[slot];
        if ((row & 1) != 0) {
            const Row rest = row >> 1;
            const uint64_t value = values_[slot];
            for (uint32_t i = 0; i < bits; ++i) {
                state[i] = (state[i] << 1) | (((value >> i) & 1) ^ Parity(rest & state[i]));
            }
        } else {
            for (uint32_t i = 0; i < bits; ++i) state[i] <<= 1;  // a free slot: 0
        }
        if (slot % kBlockSlots == 0) {
            const uint64_t block = slot / kBlockSlots;
            uint8_t* at = pageBytes_.data() + (block / blocksPerPage) * kPageBytes +
                          BlockOffset(static_cast<uint32_t>(block % blocksPerPage), bits);
            for (uint32_t i = 0; i < bits; ++i) {
                const uint64_t word = static_cast<uint64_t>(state[i]);
                memcpy(at + size_t{8} * i, &word, 8);
            }
        }
    }
    for (uint64_t page = 0; page < pages; ++page) {
        uint8_t* bytes = pageBytes_.data() + page * kPageBytes;
        uint8_t* words = bytes + ThresholdOffset(blocksPerPage);
        for (uint32_t j = 0; j < blocksPerPage; ++j) {
            uint64_t word = 0;
            memcpy(&word, words + size_t{8} * (j / kThresholdsPerWord), 8);
            word |= uint64_t{thresholds_[page * blocksPerPage + j]} << (kThresholdBits * (j % kThresholdsPerWord));
            memcpy(words + size_t{8} * (j / kThresholdsPerWord), &word, 8);
        }
        SealPage(bytes, 1 + firstPage + page, shape_.seed);
    }
    pages_(firstPage, pageBytes_.data(), pages);
    std::fill(rows_.begin(), rows_.end(), 0);
    std::fill(thresholds_.begin(), thresholds_.end(), 0);
    segmentFirstSlot_ += slots;
}

std::vector<uint64_t> RibbonSolver::Finish() {
    while (nextBlock_ < blocks_) PlaceBlock(nextBlock_++);
    if (blocks_ > 0) SolveSegment();
    std::sort(exceptions_.begin(), exceptions_.end());
    return std::move(exceptions_);
}

}  // namespace breach
