// Benchmark twin of the reader/writer guard with no guard at all: the
// floor that bench/Guard_bench.cpp measures the real guard against. Never
// safe with reloads; built only into pwdpolicy_unguarded.
#ifndef PWDPOLICY_LIFECYCLE_DATAGUARD_H
#define PWDPOLICY_LIFECYCLE_DATAGUARD_H

class ReadSection {
public:
    ReadSection() {}  // user-provided: a section variable is not "unused"
    ~ReadSection() {}
    ReadSection(const ReadSection&) = delete;
    ReadSection& operator=(const ReadSection&) = delete;
};

class WriteSection {
public:
    WriteSection() {}
    ~WriteSection() {}
    WriteSection(const WriteSection&) = delete;
    WriteSection& operator=(const WriteSection&) = delete;
};

inline void GuardChildAfterFork() {}

#endif  // PWDPOLICY_LIFECYCLE_DATAGUARD_H
