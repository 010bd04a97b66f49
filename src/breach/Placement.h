// Where a key's equation may sit in a breach table, and what it holds: the
// arithmetic the builder places keys by and the reader finds them by.
//
// Slots are numbered across the data pages, slotsPerPage a page. A key's
// first chance starts anywhere but in the last page; every later chance
// starts further on, within the same two pages (its window), so a lookup
// reads one contiguous window of at most two pages. No equation crosses a
// multiple of segmentPages pages, which lets the builder solve one segment
// at a time in bounded memory.
#ifndef PWDPOLICY_BREACH_PLACEMENT_H
#define PWDPOLICY_BREACH_PLACEMENT_H

#include <cstdint>

namespace breach {

// A bijective mix of the 64-bit key under the table's seed: equal keys and
// only equal keys give equal values, and a list cannot be crafted to crowd
// one page of a table whose seed is not yet chosen.
uint64_t MixKey(uint64_t key, uint64_t seed);

// The r-bit value a key's equation must produce.
uint64_t FingerprintOf(uint64_t mixed, uint32_t resultBits);

// The 128 coefficients of a chance's equation; bit 0 (its start slot) is
// always set.
struct Coefficients {
    uint64_t low;
    uint64_t high;
};
Coefficients CoefficientsOf(uint64_t mixed, uint32_t chance);

class Placement {
public:
    // REQUIRES: dataPages == 0 or dataPages >= 2; segmentPages >= 2.
    Placement(uint32_t slotsPerPage, uint32_t segmentPages, uint64_t dataPages);

    uint64_t Slots() const { return slots_; }
    uint64_t SegmentSlots() const { return segmentSlots_; }

    // The first chance's start: monotone in `mixed`, so keys sorted by their
    // mixed value come out sorted by start. REQUIRES: dataPages >= 2.
    uint64_t FirstStart(uint64_t mixed) const;
    // The last slot any chance of the key whose first chance starts at
    // `firstStart` may start at: its window ends with the next page.
    uint64_t WindowLast(uint64_t firstStart) const;
    // The start of chance `chance` + 1 after the chance at `start` was bumped:
    // in a later block, within the window, not across a segment boundary.
    // False when no slot is left.
    bool NextStart(uint64_t mixed, uint32_t chance, uint64_t start, uint64_t windowLast, uint64_t* next) const;
    // 0..63: a chance with less room left in its window gets a higher
    // priority and is bumped last.
    uint32_t Priority(uint64_t start, uint64_t windowLast) const;

private:
    uint64_t slotsPerPage_;
    uint64_t segmentSlots_;
    uint64_t dataPages_;
    uint64_t slots_;
    uint64_t startsPerSegment_;  // first-chance starts in a whole segment
    uint64_t lastSegment_;
    uint64_t firstStarts_;       // first-chance starts in all
};

}  // namespace breach

#endif  // PWDPOLICY_BREACH_PLACEMENT_H
