// A base table and the delta tables built after it, screened as one: how a
// growing list is taken up without rebuilding from the whole list.
#ifndef PWDPOLICY_BREACH_TABLESET_H
#define PWDPOLICY_BREACH_TABLESET_H

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "breach/BreachTable.h"

namespace breach {

// A set holds at most this many tables: each adds a window read to a lookup.
constexpr size_t kMaxTablesInSet = 16;

// The tables that one configuration value names: paths separated by commas,
// blanks around each ignored ("/data/base.tbl, /data/2026-03.tbl"). An
// empty or blank value names none. Returns "" or what is wrong ("an empty
// path in the list", "/a.tbl is listed twice", "more than 16 tables"), and
// then leaves `*paths` empty.
std::string ParseTableList(std::string_view value, std::vector<std::string>* paths);

class TableSet {
public:
    // Opens every table of `paths` (one or more). Null when any cannot be
    // used; `*problem` then says why, prefixed with the table's path when
    // the set has more than one.
    static std::unique_ptr<TableSet> Open(const std::vector<std::string>& paths, std::string* problem);

    // True when any table holds `trimmed`, or a lookup met a damaged page
    // (see BreachTable::ContainsPassword). The SHA-1 is computed once.
    // Thread-safe, lock-free, allocates nothing.
    bool ContainsPassword(std::string_view trimmed) const;
    // kPresent when any table holds `key`; else kDamaged when a lookup met
    // damage; else kAbsent.
    Lookup Find(uint64_t key) const;

    // Sums over the tables. The false-positive rates add up: a password not
    // in the set is reported when any table reports it.
    uint64_t Entries() const;
    uint64_t FileBytes() const;
    double FalsePositiveRate() const;
    uint64_t DamagedPages() const;

    // In the order given: the base first.
    const std::vector<std::unique_ptr<BreachTable>>& Tables() const { return tables_; }

private:
    TableSet() = default;
    std::vector<std::unique_ptr<BreachTable>> tables_;
};

}  // namespace breach

#endif  // PWDPOLICY_BREACH_TABLESET_H
