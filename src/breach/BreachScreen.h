// The breach table the component screens passwords against: the one named
// by the configuration's "breachedPwdTable", or none.
//
// Concurrency: Swap runs inside the loader's WriteSection and hands the
// table it replaces back to the loader, which destroys it (so unmaps it)
// after the WriteSection has ended, when no reader can still be in it.
// Contains holds a ReadSection while it reads the table.
#ifndef PWDPOLICY_BREACH_BREACHSCREEN_H
#define PWDPOLICY_BREACH_BREACHSCREEN_H

#include <memory>
#include <string>
#include <string_view>

#include "breach/BreachTable.h"

class BreachScreen {
public:
    using Table = std::unique_ptr<breach::BreachTable>;

    constexpr BreachScreen() = default;

    // Opens `path` for the next publication. Null when the file cannot be
    // used; `*problem` says why.
    static Table Stage(const std::string& path, std::string* problem);

    // Puts `staged` in force (null: no table) and leaves the table it
    // replaces in `staged`. REQUIRES: a WriteSection. Never throws.
    void Swap(Table& staged) noexcept { table_.swap(staged); }

    // True when a table is in force and holds `trimmed`, a password already
    // trimmed. The empty password is never looked up: the dictionary never
    // holds it either.
    bool Contains(std::string_view trimmed) const;

    // Entries of the table in force, 0 without one.
    uint64_t Entries() const;

private:
    Table table_;  // swapped under a WriteSection, read under a ReadSection
};

extern BreachScreen breachScreen;

#endif  // PWDPOLICY_BREACH_BREACHSCREEN_H
