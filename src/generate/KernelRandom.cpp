#include "generate/KernelRandom.h"

#include <string.h>
#include <sys/random.h>

#include <algorithm>
#include <cerrno>

// batch_ is left uninitialised: Refill writes every byte before it is read,
// and clearing 256 bytes per password would be work for nothing.
// cppcheck-suppress uninitMemberVar
KernelRandom::KernelRandom(size_t expectedBytes) : expected_(expectedBytes) {}

KernelRandom::~KernelRandom() { explicit_bzero(batch_, sizeof batch_); }

bool KernelRandom::Refill(size_t atLeast) {
    if (error_ != 0) return false;
    // Ask for what is still expected, never less than this draw needs plus a
    // little room for a rejection, never more than one batch.
    const size_t want = std::min(kBatchLimit, std::max(expected_, atLeast + 4));
    size_t got = 0;
    while (got < want) {
        // Flags 0: the urandom source, which blocks only until the kernel's
        // pool has been seeded once after boot.
        const ssize_t n = getrandom(batch_ + got, want - got, 0);
        if (n < 0) {
            if (errno == EINTR) continue;
            error_ = errno;
            return false;
        }
        got += static_cast<size_t>(n);
    }
    next_ = 0;
    end_ = want;
    expected_ -= std::min(expected_, want);
    return true;
}

uint32_t KernelRandom::Next32() {
    if (end_ - next_ < 4 && !Refill(4)) return 0;
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value = value << 8 | batch_[next_ + i];
    next_ += 4;
    return value;
}

// Lemire's multiply-and-reject for the product P of the bounds: with x a
// 32-bit draw, the high half of x * P is uniform below P once every x whose
// low half falls below 2^32 mod P (the short stretch that would make some
// results likelier) is drawn again; that modulo runs only when the low half
// is below P, that is rarely. x * P is taken apart bound by bound: the high
// half of x * b1 is the first value, the low half times b2 gives the
// second, and so on. The values are the mixed-radix digits of
// floor(x * P / 2^32) and the last low half is x * P mod 2^32, so the one
// test on it makes the whole tuple uniform (Brackett-Rozinsky and Lemire,
// batched ranged random integers). A product of at most 2^24 is redrawn
// with probability below 1/256.
void KernelRandom::BelowEach(const uint32_t* bounds, int count, uint32_t* values) {
    uint64_t product = 1;
    for (int i = 0; i < count; ++i) product *= bounds[i];
    for (;;) {
        uint32_t rest = Next32();
        if (error_ != 0) {
            for (int i = 0; i < count; ++i) values[i] = 0;
            return;
        }
        for (int i = 0; i < count; ++i) {
            const uint64_t step = static_cast<uint64_t>(rest) * bounds[i];
            values[i] = static_cast<uint32_t>(step >> 32);
            rest = static_cast<uint32_t>(step);
        }
        if (rest >= product || rest >= (uint64_t{1} << 32) % product) return;
    }
}
