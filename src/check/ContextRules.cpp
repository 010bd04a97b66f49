#include "check/ContextRules.h"

#include <string.h>

#include <algorithm>

#include "check/Utf8Text.h"

namespace {

bool IsSeparator(char c) {
    return c == ' ' || c == '\t' || c == ',' || c == '.' || c == '-' || c == '_' || c == '@';
}

void Wipe(std::u32string& text) { explicit_bzero(text.data(), text.size() * sizeof text[0]); }

}  // namespace

PasswordContext::~PasswordContext() {
    Wipe(chars_);
    Wipe(old_);
}

void PasswordContext::AddWord(std::string_view word) {
    if (word.empty()) return;
    Wiped<std::u32string> folded;
    FoldCase(word, &folded.text);
    // Reserved for a typical context up front, so growing never leaves an
    // unwiped copy behind.
    if (chars_.capacity() < chars_.size() + folded.text.size()) {
        std::u32string larger;
        larger.reserve(std::max<size_t>(128, 2 * (chars_.size() + folded.text.size())));
        larger = chars_;
        Wipe(chars_);
        chars_.swap(larger);
    }
    if (words_.empty()) words_.reserve(16);
    words_.emplace_back(chars_.size(), folded.text.size());
    chars_ += folded.text;
}

void PasswordContext::AddName(std::string_view name) {
    AddWord(name);
    size_t start = 0;
    while (start < name.size()) {
        size_t end = start;
        while (end < name.size() && !IsSeparator(name[end])) ++end;
        // The whole name was added already.
        if (end - start < name.size()) AddWord(name.substr(start, end - start));
        start = end + 1;
    }
}

void PasswordContext::SetOldPassword(std::string_view old) {
    FoldCase(old, &old_);
    hasOld_ = true;
}

size_t EditDistanceUpTo(const std::u32string& a, const std::u32string& b, size_t cap) {
    const std::u32string& row = a.size() <= b.size() ? a : b;     // the shorter, across
    const std::u32string& column = a.size() <= b.size() ? b : a;  // the longer, down
    if (cap == 0) return 0;
    if (column.size() - row.size() >= cap) return cap;
    // Two rows of the table; on the stack for passwords of ordinary length.
    const size_t m = row.size();
    constexpr size_t kStackRow = 128;
    size_t stackRows[2 * kStackRow];
    std::vector<size_t> heapRows;
    if (m + 1 > kStackRow) heapRows.resize(2 * (m + 1));
    size_t* previous = heapRows.empty() ? stackRows : heapRows.data();
    size_t* current = previous + m + 1;
    for (size_t j = 0; j <= m; ++j) previous[j] = std::min(j, cap);
    // Only cells within `cap` of the diagonal can hold less than `cap`;
    // every other cell counts as `cap`.
    for (size_t i = 1; i <= column.size(); ++i) {
        const size_t low = i > cap ? i - cap : 0;
        const size_t high = std::min(m, i + cap);
        const char32_t down = column[i - 1];
        size_t best = cap;
        size_t j = low;
        if (low == 0) {
            current[0] = std::min(i, cap);
            best = current[0];
            j = 1;
        } else {
            current[low - 1] = cap;
        }
        for (; j <= high; ++j) {
            size_t cell = previous[j - 1] + (down != row[j - 1] ? 1 : 0);
            cell = std::min(cell, previous[j] + 1);
            cell = std::min(cell, current[j - 1] + 1);
            cell = std::min(cell, cap);
            current[j] = cell;
            best = std::min(best, cell);
        }
        if (high < m) current[high + 1] = cap;
        if (best >= cap) return cap;
        std::swap(previous, current);
    }
    return std::min(previous[m], cap);
}

ContextBreaks FindContextBreaks(std::string_view password, const PasswordContext& context, const PolicyRules& rules) {
    ContextBreaks breaks;
    if (context.Empty() || (!rules.contextCheck && rules.minOldDiff == 0)) return breaks;
    Wiped<std::u32string> folded, reversed;
    FoldCase(password, &folded.text);
    reversed.text.assign(folded.text.rbegin(), folded.text.rend());
    if (rules.contextCheck) {
        const std::u32string_view password32(folded.text), reversed32(reversed.text);
        for (const auto& [offset, length] : context.words_) {
            const std::u32string_view word(context.chars_.data() + offset, length);
            if (word == password32 || word == reversed32) {
                breaks.equalsWord = true;
            } else if (word.size() >= kContainedWordMin && password32.find(word) != std::u32string_view::npos) {
                breaks.containsWord = true;
            }
        }
        breaks.equalsOld = context.hasOld_ && (context.old_ == folded.text || context.old_ == reversed.text);
    }
    if (rules.minOldDiff > 0 && context.hasOld_) {
        const size_t wanted = static_cast<size_t>(rules.minOldDiff);
        breaks.tooCloseToOld = EditDistanceUpTo(folded.text, context.old_, wanted) < wanted;
    }
    return breaks;
}
