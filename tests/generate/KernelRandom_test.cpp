// The kernel generator's reads, through an interposed getrandom() that can refuse: a signal that
// interrupts a read is no failure, a refusal is reported and never retried, and no read asks for
// more than one batch.
#include <gtest/gtest.h>

#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <vector>

#include "generate/KernelRandom.h"

namespace {
int refusals = 0;  // how many reads fail next
int refusal = 0;   // with which errno
std::vector<size_t> requests;
}  // namespace

extern "C" ssize_t getrandom(void* buffer, size_t length, unsigned int flags) {
    requests.push_back(length);
    if (refusals > 0) {
        --refusals;
        errno = refusal;
        return -1;
    }
    return syscall(SYS_getrandom, buffer, length, flags);
}

TEST(KernelRandom, InterruptedReadsRetriedRefusalsNotAndReadsInBatches) {
    const uint32_t bounds[] = {1u << 31, 1u << 31, 1000};
    const struct { int errnoValue, refused; bool failed; } cases[] = {
        {EINTR, 2, false},  // the third read succeeds
        {ENOSYS, 2, true},  // the first refusal ends it: the reads left would have succeeded
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.errnoValue);
        refusals = c.refused;
        refusal = c.errnoValue;
        requests.clear();
        KernelRandom random(12);
        uint32_t values[4] = {7, 7, 7, 7};  // the last one is not asked for
        random.BelowEach(bounds, 3, values);
        EXPECT_EQ(values[3], 7u);
        EXPECT_EQ(random.Failed(), c.failed);
        EXPECT_EQ(random.Error(), c.failed ? ENOSYS : 0);
        EXPECT_EQ(requests.size(), c.failed ? 1u : 3u);
        if (c.failed) EXPECT_EQ(values[0] + values[1] + values[2], 0u);
    }
    refusals = 0;
    // One read for what the caller expects, capped at one batch; refills when the draws ran it dry.
    requests.clear();
    KernelRandom random(4 * 300);
    uint32_t value = 0;
    for (int i = 0; i < 100; ++i) random.BelowEach(bounds, 1, &value);
    ASSERT_GE(requests.size(), 2u);
    EXPECT_EQ(requests[0], KernelRandom::kBatchLimit);
    for (size_t length : requests) EXPECT_LE(length, KernelRandom::kBatchLimit);
}
