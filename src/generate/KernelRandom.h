// Unbiased draws from the kernel's random generator, for passwords that an
// attacker must not predict. Nothing here touches rand().
#ifndef PWDPOLICY_GENERATE_KERNELRANDOM_H
#define PWDPOLICY_GENERATE_KERNELRANDOM_H

#include <cstddef>
#include <cstdint>

// Reads random bytes with getrandom(2) into a buffer of its own, in batches:
// the first read asks for what the caller expects to need, so one password
// costs one system call, and later reads refill when rejections ran it dry.
// The buffer is wiped when the source is destroyed. One source per call on
// one thread; it is never shared, so it needs no lock, and it keeps no state
// that a fork() could duplicate.
class KernelRandom {
public:
    // `expectedBytes`: how many bytes the caller will probably draw (four per
    // BelowEach). Reads are capped at kBatchLimit bytes, for which the kernel
    // always fills the whole request once its pool is initialised.
    explicit KernelRandom(size_t expectedBytes);
    ~KernelRandom();
    KernelRandom(const KernelRandom&) = delete;
    KernelRandom& operator=(const KernelRandom&) = delete;

    // Values below bounds[0], ..., bounds[count - 1], each uniform and all
    // independent, from one 32-bit draw when the product of the bounds is
    // small (see kGroupLimit), so that short bounds do not cost two bytes
    // each. REQUIRES: every bound >= 1, product at most 2^32. After a failed
    // read every value is 0.
    void BelowEach(const uint32_t* bounds, int count, uint32_t* values);

    // Product of bounds up to which BelowEach redraws with probability below
    // 1/256; callers group their bounds up to it.
    static constexpr uint64_t kGroupLimit = uint64_t{1} << 24;

    // True once the kernel refused a read (errno kept in Error()).
    bool Failed() const { return error_ != 0; }
    int Error() const { return error_; }

    static constexpr size_t kBatchLimit = 256;

private:
    // False when the kernel refused; then error_ is set.
    bool Refill(size_t atLeast);
    uint32_t Next32();

    unsigned char batch_[kBatchLimit];
    size_t next_ = 0;      // first unread byte of batch_
    size_t end_ = 0;       // one past the last byte read into batch_
    size_t expected_;      // bytes the caller still expects to draw
    int error_ = 0;
};

#endif  // PWDPOLICY_GENERATE_KERNELRANDOM_H
