#ifndef PWDPOLICY_CHECK_WEAKPWDDIC_H
#define PWDPOLICY_CHECK_WEAKPWDDIC_H

#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "check/DictionaryArena.h"
#include "check/WeakPwdIndex.h"
#include "support/LoadReport.h"

// The weak-password dictionary: known bad passwords read from a text file,
// one a line, held by length in file order, with a hash index beside them.
//
// A loaded dictionary never changes: Init replaces the whole content with a
// new one, and copies of a WeakPwdDic share the content they were made
// from. That is how the snapshot in force keeps its dictionary alive while
// the next load replaces the loader's (lifecycle/Snapshot.h).
//
// Memory: each loaded dictionary owns one arena (DictionaryArena) holding
// its list nodes, its entry bytes (each right after its node) and its index
// table; the ordered map's few nodes, one per length, come from the heap.
// A list entry is a std::string_view of bytes in that arena: a node of 32
// bytes instead of the 56 that a std::pmr::string would need. The arena is
// released whole, without a walk of the lists, with the last copy.
class WeakPwdDic {
public:
    // The entries of one length, in file order; duplicates kept.
    using EntryList = std::list<std::string_view, ArenaAllocator<std::string_view>>;
    // Entries by length in bytes, lengths ascending.
    using WeakPwdMap = std::map<int32_t, EntryList>;

    // Empty: no password is weak.
    WeakPwdDic() = default;

    // Replaces the whole content with the entries of `dicFile`: lines up to
    // the first one that is empty after trimming; a read error ends the file
    // as its end would. Returns 0 when the file was read (even if it gave no
    // entry), 12 when it cannot be opened, is not a regular file or does not
    // fit in memory; the current content then stays.
    int32_t Init(std::string dicFile);
    // Init, saying in `report` (when not null) what the file gave, where it
    // ended early and why it failed.
    int32_t Load(const std::string& dicFile, LoadReport* report);

    // A copy of `s` without one CR at its very end, then without leading and
    // trailing blanks (0x20 only). A string of blanks comes back unchanged.
    static std::string Trim(const std::string& s);

    // True when the trimmed `pwd` equals an entry, byte for byte.
    bool IsWeakPwd(std::string pwd) const;
    // IsWeakPwd without copying the password.
    bool Contains(std::string_view pwd) const;

    const WeakPwdMap& weakPwdMap() const;
    // Entries, duplicates included.
    size_t Entries() const;
    // Bytes held by the index (not by the entries).
    size_t IndexMemoryBytes() const;

private:
    struct Content;
    std::shared_ptr<const Content> content_;  // null: empty
};

#endif  // PWDPOLICY_CHECK_WEAKPWDDIC_H
