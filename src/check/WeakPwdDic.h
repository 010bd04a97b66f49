#ifndef PWDPOLICY_CHECK_WEAKPWDDIC_H
#define PWDPOLICY_CHECK_WEAKPWDDIC_H

#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <memory_resource>
#include <string>
#include <string_view>

#include "check/DictionaryArena.h"
#include "check/WeakPwdIndex.h"

// The weak-password dictionary: known bad passwords read from a text file,
// one a line, held by length in file order, with a hash index beside them.
//
// Memory: each loaded dictionary owns one arena (DictionaryArena) holding
// its list nodes, its entry bytes (each right after its node) and its index
// table; the ordered map's few nodes, one per length, come from the heap.
// A list entry is a std::string_view of bytes in that arena: a node of 32
// bytes instead of the 56 that a std::pmr::string would need, which keeps a
// dictionary under 64 resident bytes per entry, index included. The arena
// is released whole, without a walk of the lists, when a newer load has
// replaced the content and no reader can see it any more.
//
// Concurrency: Init loads the new content aside (Load) and publishes it in
// one WriteSection (Adopt); lookups hold a ReadSection.
class WeakPwdDic {
public:
    // The entries of one length, in file order; duplicates kept.
    using EntryList = std::list<std::string_view, ArenaAllocator<std::string_view>>;
    // Entries by length in bytes, lengths ascending.
    using WeakPwdMap = std::map<int32_t, EntryList>;

    // Everything one load produces. The members are declared so that they
    // are destroyed index and map first, arena last; assigning swaps, so
    // that the content given up is destroyed in that order too.
    struct Content {
        Content() = default;
        Content(Content&&) noexcept = default;
        Content& operator=(Content&& other) noexcept;

        std::unique_ptr<DictionaryArena> arena;
        WeakPwdMap weakPwdMap;
        WeakPwdIndex index;
    };

    WeakPwdDic() = default;
    WeakPwdDic(const WeakPwdDic&) = delete;
    WeakPwdDic& operator=(const WeakPwdDic&) = delete;

    // Replaces the whole content with the entries of `dicFile`: lines up to
    // the first one that is empty after trimming. Returns 0 when the file was
    // read (even if it gave no entry), 12 when it cannot be opened, is not a
    // regular file or does not fit in memory; the current content then stays
    // in force.
    int32_t Init(std::string dicFile);

    // Reads `dicFile` into `content`, publishing nothing; Init's results.
    // Needs no lock: `content` is the caller's own until it is adopted.
    static int32_t Load(const std::string& dicFile, Content& content);

    // Puts `next` in force and returns the content it replaces. The only
    // step that changes what readers see: REQUIRES a WriteSection, and the
    // returned content must be destroyed after that section ends.
    Content Adopt(Content&& next) noexcept;
    // The INFO line of a load that was put in force.
    void LogLoaded() const;

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

private:
    // Before weakPwdMap, so that it outlives the lists that point into it.
    std::unique_ptr<DictionaryArena> arena_;

public:
    WeakPwdMap weakPwdMap;

private:
    WeakPwdIndex index_;
};

#endif  // PWDPOLICY_CHECK_WEAKPWDDIC_H
