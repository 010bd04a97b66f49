#include "PolicyTable.h"

#include "Output.h"

namespace ppc {

std::string PolicyTable(const std::vector<PolicyView>& policies) {
    std::vector<std::vector<std::string>> rows{
        {"policy", "minlen", "maxlen", "minclass", "allowminlen", "allowminclass", "specialchar"}};
    for (const PolicyView& p : policies) {
        rows.push_back({std::to_string(p.id), std::to_string(p.minlen), std::to_string(p.maxlen),
                        std::to_string(p.minclass), std::to_string(p.allowminlen),
                        std::to_string(p.allowminclass), DisplaySpecialSet(p.specialchar)});
    }
    return FormatTable(rows);
}

std::string PolicyDetail(const PolicyView& p) {
    // The special set goes on a row of its own after the table: it can be
    // long and would push the explanations out of sight.
    std::string text = FormatTable({
        {"  minlen", std::to_string(p.minlen), "minimum length in bytes"},
        {"  maxlen", std::to_string(p.maxlen), "maximum length in bytes"},
        {"  minclass", std::to_string(p.minclass),
         "character classes required (upper, lower, digit, special)"},
        {"  allowminlen", std::to_string(p.allowminlen), "reported only, no check uses it"},
        {"  allowminclass", std::to_string(p.allowminclass), "reported only, no check uses it"},
        {"  specialchar", "", ""},
    });
    text.pop_back();  // the newline, after "specialchar" and its padding were trimmed
    const size_t valueColumn = std::string("  allowminclass").size() + 2;
    text.append(valueColumn - std::string("  specialchar").size(), ' ');
    return "policy " + std::to_string(p.id) + "\n" + text + DisplaySpecialSet(p.specialchar);
}

std::string PolicyChanges(const PolicyView& before, const PolicyView& after) {
    std::string changes;
    auto note = [&](const char* key, const std::string& from, const std::string& to) {
        if (from == to) return;
        if (!changes.empty()) changes += ", ";
        changes += std::string(key) + " " + from + " -> " + to;
    };
    note("minlen", std::to_string(before.minlen), std::to_string(after.minlen));
    note("maxlen", std::to_string(before.maxlen), std::to_string(after.maxlen));
    note("minclass", std::to_string(before.minclass), std::to_string(after.minclass));
    note("allowminlen", std::to_string(before.allowminlen), std::to_string(after.allowminlen));
    note("allowminclass", std::to_string(before.allowminclass),
         std::to_string(after.allowminclass));
    if (before.specialchar != after.specialchar) {
        note("specialchar", DisplaySpecialSet(before.specialchar),
             DisplaySpecialSet(after.specialchar));
    }
    return changes;
}

}  // namespace ppc
