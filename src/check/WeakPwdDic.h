#ifndef PWDPOLICY_CHECK_WEAKPWDDIC_H
#define PWDPOLICY_CHECK_WEAKPWDDIC_H

#include <cstdint>
#include <list>
#include <map>
#include <string>
#include <string_view>

#include "check/WeakPwdIndex.h"

// The weak-password dictionary: known bad passwords read from a text file,
// one a line, held by length in file order, with a hash index beside them.
//
// Concurrency: Init builds the new content beside the old one and swaps both
// the map and its index in one WriteSection; lookups hold a ReadSection.
class WeakPwdDic {
public:
    // Replaces the whole content with the entries of `dicFile`: lines up to
    // the first one that is empty after trimming. Returns 0 when the file was
    // read (even if it gave no entry), 12 when it cannot be opened, is not a
    // regular file or does not fit in memory; the current content then stays
    // in force.
    int32_t Init(std::string dicFile);

    // A dictionary read beside the live one, not yet published.
    struct Staged {
        WeakPwdIndex::EntryMap entries;
        WeakPwdIndex index;
    };
    // Init in three steps, so that InitData can publish the dictionary in
    // the same WriteSection as the policy store. Load reads `dicFile` into
    // `staged` (0, or 12 as Init; REQUIRES: the ReloadLock); Adopt swaps it
    // with the live content (allocates nothing; REQUIRES: a WriteSection);
    // Retire frees what Adopt took out, once the section has ended, and logs
    // the new size.
    int32_t Load(const std::string& dicFile, Staged& staged);
    void Adopt(Staged& staged) noexcept;
    void Retire(Staged& replaced) const;

    // A copy of `s` without one CR at its very end, then without leading and
    // trailing blanks (0x20 only). A string of blanks comes back unchanged.
    static std::string Trim(const std::string& s);
    static std::string_view TrimView(std::string_view s);

    // True when the trimmed `pwd` equals an entry, byte for byte.
    bool IsWeakPwd(std::string pwd);
    // IsWeakPwd without copying the password.
    bool Contains(std::string_view pwd);

    // Bytes held by the index (not by the entries).
    size_t IndexMemoryBytes();

    // Entries by length in bytes, in file order; duplicates kept.
    std::map<int32_t, std::list<std::string>> weakPwdMap;

private:
    WeakPwdIndex index_;
};

#endif  // PWDPOLICY_CHECK_WEAKPWDDIC_H
