#include "generate/KernelRandom.h"

#include <string.h>
#include <sys/random.h>

#include <algorithm>
#include <cerrno>

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

uint32_t KernelRandom::Next16() {
    if (end_ - next_ < 2 && !Refill(2)) return 0;
    const uint32_t value = static_cast<uint32_t>(batch_[next_]) << 8 | batch_[next_ + 1];
    next_ += 2;
    return value;
}

uint32_t KernelRandom::Next32() {
    if (end_ - next_ < 4 && !Refill(4)) return 0;
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value = value << 8 | batch_[next_ + i];
    next_ += 4;
    return value;
}

// Lemire's multiply-and-reject: the high half of x * bound is the draw; the
// low half tells whether x fell into the short stretch at the bottom of the
// range that would make some results likelier than others (2^w mod bound
// values of x, w = 16 or 32), and such an x is drawn again. The modulo that
// finds that stretch runs only when the low half is below bound, that is
// rarely. Bounds up to 65536 take 16-bit values, so a password costs two
// bytes a draw; a rejection happens with probability below bound / 2^16.
uint32_t KernelRandom::Below(uint32_t bound) {
    if (bound <= 65536) {
        for (;;) {
            const uint32_t product = Next16() * bound;
            if (error_ != 0) return 0;
            const uint32_t low = product & 0xFFFF;
            if (low >= bound || low >= (65536 - bound) % bound) return product >> 16;
        }
    }
    for (;;) {
        const uint64_t product = static_cast<uint64_t>(Next32()) * bound;
        if (error_ != 0) return 0;
        const uint32_t low = static_cast<uint32_t>(product);
        if (low >= bound || low >= (0u - bound) % bound) return static_cast<uint32_t>(product >> 32);
    }
}
