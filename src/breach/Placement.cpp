#include "breach/Placement.h"

#include <algorithm>

#include "breach/BreachFormat.h"

namespace breach {
namespace {

// The finaliser of MurmurHash3: a bijection of 64-bit values in which every
// input bit changes every output bit with probability close to 1/2.
uint64_t Mix(uint64_t x) {
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    x ^= x >> 33;
    x *= 0xc4ceb9fe1a85ec53ULL;
    x ^= x >> 33;
    return x;
}

// Distinct odd constants keep the values derived from one mixed key apart.
constexpr uint64_t kFingerprintSalt = 0x9E3779B97F4A7C15ULL;
constexpr uint64_t kLowSalt = 0xD6E8FEB86659FD93ULL;
constexpr uint64_t kHighSalt = 0xA0761D6478BD642FULL;
constexpr uint64_t kNextSalt = 0xE7037ED1A0B428DBULL;

// floor(value * range / 2^64): uniform in [0, range) for uniform values.
uint64_t Scale(uint64_t value, uint64_t range) {
    return static_cast<uint64_t>((static_cast<unsigned __int128>(value) * range) >> 64);
}

}  // namespace

uint64_t MixKey(uint64_t key, uint64_t seed) { return Mix(key ^ seed); }

uint64_t FingerprintOf(uint64_t mixed, uint32_t resultBits) {
    return Mix(mixed ^ kFingerprintSalt) >> (64 - resultBits);
}

Coefficients CoefficientsOf(uint64_t mixed, uint32_t chance) {
    return {Mix(mixed ^ (kLowSalt * chance)) | 1, Mix(mixed ^ (kHighSalt * chance))};
}

Placement::Placement(uint32_t slotsPerPage, uint32_t segmentPages, uint64_t dataPages)
    : slotsPerPage_(slotsPerPage),
      segmentSlots_(uint64_t{segmentPages} * slotsPerPage),
      dataPages_(dataPages),
      slots_(dataPages * slotsPerPage),
      startsPerSegment_(segmentSlots_ - kRibbonWidth + 1),
      lastSegment_(dataPages == 0 ? 0 : (dataPages - 1) / segmentPages),
      firstStarts_(0) {
    if (dataPages < 2) return;
    // Whole segments offer every start whose equation ends inside them; the
    // last segment offers the starts before the last page, which takes only
    // later chances. (Those end inside it: a page is wider than an equation.)
    const uint64_t lastSegmentFirstPage = lastSegment_ * segmentPages;
    firstStarts_ = lastSegment_ * startsPerSegment_ + (dataPages - 1 - lastSegmentFirstPage) * slotsPerPage_;
}

uint64_t Placement::FirstStart(uint64_t mixed) const {
    const uint64_t index = Scale(mixed, firstStarts_);
    const uint64_t segment = std::min(index / startsPerSegment_, lastSegment_);
    return segment * segmentSlots_ + (index - segment * startsPerSegment_);
}

uint64_t Placement::WindowLast(uint64_t firstStart) const {
    const uint64_t page = firstStart / slotsPerPage_;
    return std::min(page + 2, dataPages_) * slotsPerPage_ - kRibbonWidth;
}

bool Placement::NextStart(uint64_t mixed, uint32_t chance, uint64_t start, uint64_t windowLast,
                          uint64_t* next) const {
    const uint64_t low = (start / kBlockSlots + 1) * kBlockSlots;
    if (low > windowLast) return false;
    // Starts whose equation would cross the next segment boundary are left out.
    const uint64_t boundary = (low / segmentSlots_ + 1) * segmentSlots_;
    const uint64_t skipFirst = std::max(low, boundary - kRibbonWidth + 1);
    const uint64_t skipLast = std::min(windowLast, boundary - 1);
    const uint64_t skipped = skipFirst <= skipLast ? skipLast - skipFirst + 1 : 0;
    const uint64_t choices = windowLast - low + 1 - skipped;
    // A window the segment boundary covers whole (cppcheck cannot see it).
    // cppcheck-suppress knownConditionTrueFalse
    if (choices == 0) return false;
    uint64_t at = low + Scale(Mix(mixed ^ (kNextSalt * chance)), choices);
    if (skipped > 0 && at >= skipFirst) at += skipped;
    *next = at;
    return true;
}

uint32_t Placement::Priority(uint64_t start, uint64_t windowLast) const {
    const uint64_t room = windowLast - start;
    const uint64_t scaled = room * 32 / slotsPerPage_;
    return scaled >= 63 ? 0 : static_cast<uint32_t>(63 - scaled);
}

}  // namespace breach
