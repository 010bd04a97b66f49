// Fuzzes the dictionary load and lookup: arbitrary bytes as the dictionary
// file, then lookups of probes taken from the input.
//
// Properties checked besides "no crash, no sanitizer report":
// - the loaded map equals a straightforward reading of the file (lines up
//   to the first empty one after trimming, grouped by length, file order);
// - a reload into a dictionary that held other data keeps nothing of it;
// - for every probe, the hash index gives the same answer as a walk of the
//   entries of the probe's length, through IsWeakPwd and Contains alike;
// - Trim agrees with the reference trim.
// When the first byte's low bit is set, the fuzzed bytes are placed just
// before the reader's 64 KiB chunk boundary, so lines that straddle two
// reads are exercised too.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzFile.h"
#include "check/WeakPwdDic.h"

namespace {

constexpr size_t kReadChunk = 1 << 16;  // the reader's chunk size

using Reference = std::map<int32_t, std::vector<std::string>>;

std::string RefTrim(std::string s) {
    if (!s.empty() && s.back() == '\r') s.pop_back();
    size_t first = 0;
    while (first < s.size() && s[first] == ' ') ++first;
    if (first == s.size()) return s;
    size_t last = s.size();
    while (s[last - 1] == ' ') --last;
    return s.substr(first, last - first);
}

std::vector<std::string> Lines(const std::string& content) {
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < content.size()) {
        const size_t newline = content.find('\n', at);
        if (newline == std::string::npos) {
            lines.push_back(content.substr(at));
            break;
        }
        lines.push_back(content.substr(at, newline - at));
        at = newline + 1;
    }
    return lines;
}

Reference ReadReference(const std::vector<std::string>& lines) {
    Reference entries;
    for (const std::string& line : lines) {
        const std::string entry = RefTrim(line);
        if (entry.empty()) break;
        entries[static_cast<int32_t>(entry.size())].push_back(entry);
    }
    return entries;
}

bool Matches(const WeakPwdDic& dic, const Reference& reference) {
    if (dic.weakPwdMap().size() != reference.size()) return false;
    auto expected = reference.begin();
    for (const auto& [length, list] : dic.weakPwdMap()) {
        if (length != expected->first || list.size() != expected->second.size()) return false;
        if (!std::equal(list.begin(), list.end(), expected->second.begin())) return false;
        ++expected;
    }
    return true;
}

// The lookup as a walk of the entries of one length, the index's reference.
bool WalkFinds(const WeakPwdDic& dic, const std::string& probe) {
    const std::string trimmed = RefTrim(probe);
    const auto list = dic.weakPwdMap().find(static_cast<int32_t>(trimmed.size()));
    if (list == dic.weakPwdMap().end()) return false;
    for (const std::string_view entry : list->second) {
        if (entry == trimmed) return true;
    }
    return false;
}

void CheckProbe(WeakPwdDic& dic, const std::string& probe) {
    FUZZ_CHECK(WeakPwdDic::Trim(probe) == RefTrim(probe));
    const bool expected = WalkFinds(dic, probe);
    FUZZ_CHECK(dic.Contains(probe) == expected);
    FUZZ_CHECK(dic.IsWeakPwd(probe) == expected);
}

// Long lines of filler that end exactly `before` bytes short of the chunk
// boundary. Long, so that the filler costs few entries per input.
std::string Filler(size_t before) {
    const size_t total = kReadChunk - before;
    const std::string line = std::string(255, 'f') + "\n";
    std::string filler;
    while (total - filler.size() > 2 * line.size()) filler += line;
    filler.append(total - filler.size() - 1, 'x');
    filler += '\n';
    return filler;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const FuzzFile file("ppc-fuzz-dic");
    static WeakPwdDic reused;  // reloaded with every input: nothing may survive

    std::string content;
    if (size >= 3 && (data[0] & 1) != 0) {
        content = Filler(1 + (data[1] | data[2] << 8) % 512);
        data += 3;
        size -= 3;
    }
    content.append(reinterpret_cast<const char*>(data), size);
    file.Write(content);

    const std::vector<std::string> lines = Lines(content);
    const Reference reference = ReadReference(lines);

    WeakPwdDic dic;
    FUZZ_CHECK(dic.Init(file.Path()) == 0);
    FUZZ_CHECK(Matches(dic, reference));
    FUZZ_CHECK(reused.Init(file.Path()) == 0);
    FUZZ_CHECK(Matches(reused, reference));

    // Probes: the raw lines around the fuzzed part (entries, the line that
    // ended the dictionary, lines after it), variants of them, and the whole
    // input as one string.
    size_t probed = 0;
    for (auto line = lines.rbegin(); line != lines.rend() && probed < 24; ++line, ++probed) {
        CheckProbe(dic, *line);
        CheckProbe(dic, " " + *line + "  \r");
        CheckProbe(dic, *line + "\r ");
        if (!line->empty()) CheckProbe(dic, line->substr(1));
    }
    CheckProbe(dic, std::string(reinterpret_cast<const char*>(data), size));
    CheckProbe(dic, "");
    CheckProbe(dic, "   ");
    return 0;
}
