#include "breach/TableSet.h"

#include <algorithm>
#include <new>
#include <numeric>

#include "breach/BreachHash.h"

namespace breach {
namespace {

std::string_view TrimBlanks(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

std::string ParseTableList(std::string_view value, std::vector<std::string>* paths) {
    paths->clear();
    if (TrimBlanks(value).empty()) return "";
    std::vector<std::string> found;
    for (;;) {
        const size_t comma = value.find(',');
        const std::string_view item = TrimBlanks(value.substr(0, comma));
        if (item.empty()) return "an empty path in the list";
        if (std::find(found.begin(), found.end(), item) != found.end()) {
            return std::string(item) + " is listed twice";
        }
        if (found.size() == kMaxTablesInSet) return "more than " + std::to_string(kMaxTablesInSet) + " tables";
        found.emplace_back(item);
        if (comma == std::string_view::npos) break;
        value.remove_prefix(comma + 1);
    }
    paths->swap(found);
    return "";
}

std::unique_ptr<TableSet> TableSet::Open(const std::vector<std::string>& paths, std::string* problem) {
    std::unique_ptr<TableSet> set(new (std::nothrow) TableSet());
    if (!set) {
        *problem = "out of memory";
        return nullptr;
    }
    if (paths.empty() || paths.size() > kMaxTablesInSet) {
        *problem = paths.empty() ? "no table named" : "more than " + std::to_string(kMaxTablesInSet) + " tables";
        return nullptr;
    }
    try {
        for (const std::string& path : paths) {
            std::string why;
            std::unique_ptr<BreachTable> table = BreachTable::Open(path, &why);
            if (!table) {
                if (paths.size() != 1) why.insert(0, path + ": ");
                *problem = why;
                return nullptr;
            }
            set->tables_.push_back(std::move(table));
        }
    } catch (const std::bad_alloc&) {
        *problem = "out of memory";
        return nullptr;
    }
    return set;
}

Lookup TableSet::Find(uint64_t key) const {
    Lookup answer = Lookup::kAbsent;
    for (const auto& table : tables_) {
        const Lookup one = table->Find(key);
        if (one == Lookup::kPresent) return one;
        if (one == Lookup::kDamaged) answer = one;
    }
    return answer;
}

bool TableSet::ContainsPassword(std::string_view trimmed) const {
    return Find(KeyOfPassword(trimmed)) != Lookup::kAbsent;
}

uint64_t TableSet::Entries() const {
    return std::accumulate(tables_.begin(), tables_.end(), uint64_t{0},
                           [](auto sum, const auto& table) { return sum + table->Entries(); });
}

uint64_t TableSet::FileBytes() const {
    return std::accumulate(tables_.begin(), tables_.end(), uint64_t{0},
                           [](auto sum, const auto& table) { return sum + table->FileBytes(); });
}

double TableSet::FalsePositiveRate() const {
    return std::accumulate(tables_.begin(), tables_.end(), 0.0,
                           [](auto sum, const auto& table) { return sum + table->FalsePositiveRate(); });
}

uint64_t TableSet::DamagedPages() const {
    return std::accumulate(tables_.begin(), tables_.end(), uint64_t{0},
                           [](auto sum, const auto& table) { return sum + table->DamagedPages(); });
}

}  // namespace breach
