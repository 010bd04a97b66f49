#include "check/WeakPwdDic.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <memory_resource>
#include <utility>
#include <vector>

#include "check/Trim.h"
#include "support/InputFile.h"
#include "support/Log.h"

namespace {

constexpr int32_t kDictionaryUnreadable = 12;
// The first read fills this much; later reads fill what the buffer has left
// after an unfinished line. Small enough that a block is parsed while it is
// still in the second-level cache, large enough that the system calls cost
// nothing next to the copy.
constexpr size_t kReadChunk = 1 << 16;
// Lists of short entries are found through a table instead of the map.
constexpr size_t kDirectLengths = 256;
// A first guess at the arena a file needs, per byte of file: a line of the
// typical 8 to 16 bytes takes a 32-byte node, its bytes and about 11 bytes
// of index. A guess too large costs address space only (pages nobody
// writes never become resident); too small, the arena grows.
constexpr size_t kArenaBytesPerFileByte = 5;
constexpr size_t kArenaFirstBlockMax = size_t{256} << 20;
// The pending list is reserved for one entry per this many file bytes.
constexpr size_t kFileBytesPerEntryGuess = 8;

// Collects trimmed lines into a fresh map in `arena` until the first empty
// one. Each entry is hashed for the index here, while its bytes are still
// in the cache, rather than in a later walk over a million list nodes.
class EntryCollector {
public:
    EntryCollector(DictionaryArena& arena, WeakPwdDic::WeakPwdMap& map,
                   std::pmr::vector<WeakPwdIndex::Pending>& pending)
        : arena_(arena), map_(map), pending_(pending), direct_(kDirectLengths, nullptr) {}

    // False once the dictionary has ended.
    bool Add(std::string_view line) {
        const std::string_view entry = TrimPassword(line);
        if (entry.empty()) return false;
        const size_t length = entry.size();
        WeakPwdDic::EntryList* list = length < kDirectLengths ? direct_[length] : nullptr;
        if (list == nullptr) {
            const ArenaAllocator<std::string_view> inArena(arena_);
            list = &map_.try_emplace(static_cast<int32_t>(length), inArena).first->second;
            if (length < kDirectLengths) direct_[length] = list;
        }
        // The node first, then the bytes: a lookup that reads the node finds
        // the bytes in the same or the next cache line.
        std::string_view& stored = list->emplace_back();
        char* bytes = static_cast<char*>(arena_.entries.allocate(length, 1));
        memcpy(bytes, entry.data(), length);
        stored = std::string_view(bytes, length);
        pending_.push_back({WeakPwdIndex::HashOf(entry), &stored});
        return true;
    }

private:
    DictionaryArena& arena_;
    WeakPwdDic::WeakPwdMap& map_;
    std::pmr::vector<WeakPwdIndex::Pending>& pending_;
    std::vector<WeakPwdDic::EntryList*> direct_;
};

// Reads `file` in large blocks and hands its lines (LF separated, the last
// line needs none) to the collector until it says stop. A line that runs
// past the end of a block is moved to the front of the buffer and
// completed by the next read; a line longer than the buffer grows it, so
// lines have no length limit. Returns the number of the line the reading
// stopped at (the empty one that ended the dictionary, or the one a read
// error cut), or 0 when it read to the end of the file.
struct ReadOutcome {
    size_t stopLine = 0;   // 0: the whole file was read
    bool readFailed = false;
};

ReadOutcome ReadLines(InputFile& file, EntryCollector& collector) {
    std::vector<char> buffer(kReadChunk);
    size_t kept = 0;  // the start of an unfinished line, at the buffer's front
    size_t line = 0;
    for (;;) {
        if (buffer.size() - kept < kReadChunk / 2) buffer.resize(buffer.size() * 2);
        const ssize_t got = file.Read(buffer.data() + kept, buffer.size() - kept);
        if (got < 0) return {line + 1, true};
        if (got == 0) break;
        const char* start = buffer.data();
        const char* end = start + kept + got;
        const char* search = start + kept;  // the kept bytes hold no LF
        while (const char* newline = static_cast<const char*>(memchr(search, '\n', end - search))) {
            ++line;
            if (!collector.Add(std::string_view(start, newline - start))) return {line, false};
            start = search = newline + 1;
        }
        kept = end - start;
        memmove(buffer.data(), start, kept);
    }
    if (kept != 0 && !collector.Add(std::string_view(buffer.data(), kept))) return {line + 1, false};
    return {};
}

}  // namespace

// One loaded dictionary, never changed once built. The members are declared
// so that they are destroyed index and map first, arena last.
struct WeakPwdDic::Content {
    std::unique_ptr<DictionaryArena> arena;
    WeakPwdMap weakPwdMap;
    WeakPwdIndex index;
    size_t entries = 0;
};

std::string WeakPwdDic::Trim(const std::string& s) { return std::string(TrimPassword(s)); }

// Init and IsWeakPwd take their string by value, as declared: the copy
// costs nothing next to a load, and IsWeakPwd's callers in this library
// use Contains instead.
// cppcheck-suppress passedByValue
int32_t WeakPwdDic::Init(std::string dicFile) {  // NOLINT(performance-unnecessary-value-param)
    return Load(dicFile, nullptr);
}

int32_t WeakPwdDic::Load(const std::string& dicFile, LoadReport* report) {
    const auto note = [report, &dicFile](LoadReason reason, size_t line, auto message) {
        Note(report, LoadSource::kDictionary, reason, dicFile, static_cast<int>(line), message);
    };
    InputFile file(dicFile);
    if (!file.Opened()) {
        note(LoadReason::kUnreadable, 0, [&] { return "cannot be opened: " + file.Problem(); });
        return kDictionaryUnreadable;
    }
    // Everything that allocates happens here, before the content is
    // replaced: running out of memory keeps the content, as an unopenable
    // file does.
    ReadOutcome outcome;
    try {
        auto loaded = std::make_shared<Content>();
        loaded->arena = std::make_unique<DictionaryArena>(
            std::min(kArenaFirstBlockMax, file.Size() * kArenaBytesPerFileByte + kReadChunk));
        // The pending entries are needed only until the index is built: in
        // a large dictionary they go back to the kernel with this scope, not
        // to a heap that would keep them resident.
        BlockResource scratch;
        std::pmr::vector<WeakPwdIndex::Pending> pending(&scratch);
        pending.reserve(file.Size() / kFileBytesPerEntryGuess + 1);
        EntryCollector collector(*loaded->arena, loaded->weakPwdMap, pending);
        outcome = ReadLines(file, collector);
        if (!pending.empty()) loaded->index.Build(pending.data(), pending.size(), loaded->arena->entries);
        loaded->entries = pending.size();
        content_ = std::move(loaded);
    } catch (const std::exception&) {
        PPC_LOG_ERROR("Init", "out of memory loading %s\n", dicFile.c_str());
        note(LoadReason::kOutOfMemory, 0, [] { return "out of memory: the dictionary in force stays"; });
        return kDictionaryUnreadable;
    }
    PPC_LOG_INFO("Init", "weakPwdMap.size()= %i\n", static_cast<int32_t>(content_->weakPwdMap.size()));
    if (outcome.readFailed) {
        note(LoadReason::kReadFailed, outcome.stopLine, [&] {
            return "a read error here (" + file.Problem() + ") ended the dictionary before this line";
        });
    } else if (outcome.stopLine != 0) {
        note(LoadReason::kDictionaryEnded, outcome.stopLine,
             [] { return "this empty line ends the dictionary: the lines after it are ignored"; });
    }
    note(LoadReason::kRead, 0, [this] {
        return std::to_string(content_->entries) + (content_->entries == 1 ? " entry" : " entries");
    });
    return 0;
}

// cppcheck-suppress passedByValue
bool WeakPwdDic::IsWeakPwd(std::string pwd) const {  // NOLINT(performance-unnecessary-value-param)
    return Contains(pwd);
}

bool WeakPwdDic::Contains(std::string_view pwd) const {
    return content_ != nullptr && content_->index.Contains(TrimPassword(pwd));
}

const WeakPwdDic::WeakPwdMap& WeakPwdDic::weakPwdMap() const {
    static const WeakPwdMap kEmpty;
    return content_ != nullptr ? content_->weakPwdMap : kEmpty;
}

size_t WeakPwdDic::Entries() const { return content_ != nullptr ? content_->entries : 0; }

size_t WeakPwdDic::IndexMemoryBytes() const { return content_ != nullptr ? content_->index.MemoryBytes() : 0; }
