// The rules that compare a password with what surrounds it: the user's
// names, further context words (a service's name, say) and the password it
// replaces. Characters are compared case folded (Utf8Text.h's FoldCase).
#ifndef PWDPOLICY_CHECK_CONTEXTRULES_H
#define PWDPOLICY_CHECK_CONTEXTRULES_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "policy/PolicyRules.h"

// A word this long or longer may not appear anywhere in a password; a
// shorter one only may not be the whole password. Four characters: shorter
// names ("al", "bob") sit inside too many good passwords by chance.
constexpr size_t kContainedWordMin = 4;

struct ContextBreaks {
    bool equalsWord = false;     // a context word, or one reversed
    bool containsWord = false;   // a context word of kContainedWordMin characters or more
    bool equalsOld = false;      // the old password, reversed, or with case changed
    bool tooCloseToOld = false;  // fewer than rules.minOldDiff characters changed
};

// The context of one judgement, folded once. Wipes what it holds.
class PasswordContext {
public:
    PasswordContext() = default;
    ~PasswordContext();
    PasswordContext(const PasswordContext&) = delete;
    PasswordContext& operator=(const PasswordContext&) = delete;

    // A name (login or full name): the whole, and each part between blanks,
    // tabs, commas, dots, hyphens, underscores and @ ("Alice Smith,Room 4"
    // gives "alice smith,room 4", "alice", "smith", "room", "4"). Throws
    // std::bad_alloc.
    void AddName(std::string_view name);
    // A word, whole. Throws std::bad_alloc.
    void AddWord(std::string_view word);
    // The password being replaced. Throws std::bad_alloc.
    void SetOldPassword(std::string_view old);

    bool Empty() const { return words_.empty() && !hasOld_; }

private:
    friend ContextBreaks FindContextBreaks(std::string_view, const PasswordContext&, const PolicyRules&);
    // Every word's folded characters end to end, and where each word lies:
    // two allocations for the whole context rather than one a word.
    std::u32string chars_;
    std::vector<std::pair<size_t, size_t>> words_;  // offset and length in chars_
    std::u32string old_;
    bool hasOld_ = false;
};

// What `password` (the text the policy judges) breaks of the context rules
// that `rules` turns on. Throws std::bad_alloc.
ContextBreaks FindContextBreaks(std::string_view password, const PasswordContext& context, const PolicyRules& rules);

// The edit distance (insertions, deletions, substitutions) between `a` and
// `b`, or `cap` when it is `cap` or more. Time O(min(|a|, |b|) * cap).
size_t EditDistanceUpTo(const std::u32string& a, const std::u32string& b, size_t cap);

#endif  // PWDPOLICY_CHECK_CONTEXTRULES_H
