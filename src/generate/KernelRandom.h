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
    // `expectedBytes`: how many bytes the caller will probably draw (two per
    // Below() with a bound up to 65536, four above). Reads are capped at
    // kBatchLimit bytes, for which the kernel always fills the whole request
    // once its pool is initialised.
    explicit KernelRandom(size_t expectedBytes);
    ~KernelRandom();
    KernelRandom(const KernelRandom&) = delete;
    KernelRandom& operator=(const KernelRandom&) = delete;

    // A value in [0, bound), every value equally likely. REQUIRES: bound >= 1.
    // After a failed read it returns 0 without drawing: check Failed() before
    // using anything drawn.
    uint32_t Below(uint32_t bound);

    // True once the kernel refused a read (errno kept in Error()).
    bool Failed() const { return error_ != 0; }
    int Error() const { return error_; }

    static constexpr size_t kBatchLimit = 256;

private:
    // False when the kernel refused; then error_ is set.
    bool Refill(size_t atLeast);
    uint32_t Next16();
    uint32_t Next32();

    unsigned char batch_[kBatchLimit];
    size_t next_ = 0;      // first unread byte of batch_
    size_t end_ = 0;       // one past the last byte read into batch_
    size_t expected_;      // bytes the caller still expects to draw
    int error_ = 0;
};

#endif  // PWDPOLICY_GENERATE_KERNELRANDOM_H
