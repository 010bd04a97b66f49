#include "check/WeakPwdDic.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <memory_resource>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

#include "check/Trim.h"
#include "lifecycle/DataGuard.h"
#include "support/FdCloser.h"
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

// Collects trimmed lines into fresh content until the first empty one.
// Each entry is hashed for the index here, while its bytes are still in the
// cache, rather than in a later walk over a million list nodes.
class EntryCollector {
public:
    EntryCollector(WeakPwdDic::Content& content, std::pmr::vector<WeakPwdIndex::Pending>& pending)
        : content_(content), arena_(*content.arena), pending_(pending), direct_(kDirectLengths, nullptr) {}

    // False once the dictionary has ended.
    bool Add(std::string_view line) {
        const std::string_view entry = WeakPwdDic::TrimView(line);
        if (entry.empty()) return false;
        const size_t length = entry.size();
        WeakPwdDic::EntryList* list = length < kDirectLengths ? direct_[length] : nullptr;
        if (list == nullptr) {
            const ArenaAllocator<std::string_view> inArena(arena_);
            list = &content_.weakPwdMap.try_emplace(static_cast<int32_t>(length), inArena).first->second;
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
    WeakPwdDic::Content& content_;
    DictionaryArena& arena_;
    std::pmr::vector<WeakPwdIndex::Pending>& pending_;
    std::vector<WeakPwdDic::EntryList*> direct_;
};

// Reads `fd` in large blocks and hands its lines (LF separated, the last
// line needs none) to the collector until it says stop. A line that runs
// past the end of a block is moved to the front of the buffer and
// completed by the next read; a line longer than the buffer grows it, so
// lines have no length limit. A read error ends the reading like the end
// of file.
void ReadLines(int fd, EntryCollector& collector) {
    std::vector<char> buffer(kReadChunk);
    size_t kept = 0;  // the start of an unfinished line, at the buffer's front
    for (;;) {
        if (buffer.size() - kept < kReadChunk / 2) buffer.resize(buffer.size() * 2);
        const ssize_t got = read(fd, buffer.data() + kept, buffer.size() - kept);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        const char* line = buffer.data();
        const char* end = line + kept + got;
        const char* search = line + kept;  // the kept bytes hold no LF
        while (const char* newline = static_cast<const char*>(memchr(search, '\n', end - search))) {
            if (!collector.Add(std::string_view(line, newline - line))) return;
            line = search = newline + 1;
        }
        kept = end - line;
        memmove(buffer.data(), line, kept);
    }
    if (kept != 0) collector.Add(std::string_view(buffer.data(), kept));
}

}  // namespace

std::string_view WeakPwdDic::TrimView(std::string_view s) { return TrimPassword(s); }

std::string WeakPwdDic::Trim(const std::string& s) { return std::string(TrimView(s)); }

// The path and the password are taken by value, as the class's callers
// expect.
// cppcheck-suppress passedByValue
int32_t WeakPwdDic::Init(std::string dicFile) {  // NOLINT(performance-unnecessary-value-param)
    ReloadLock lock;
    Content fresh;
    const int32_t loaded = Load(dicFile, fresh);
    if (loaded != 0) return loaded;
    Content previous;  // held until after the section: its destruction frees the old content
    {
        WriteSection write;
        // cppcheck-suppress unreadVariable
        previous = Adopt(std::move(fresh));
    }
    LogLoaded();
    return 0;
    // `previous` is released here, after the section: no reader can see it.
}

void WeakPwdDic::LogLoaded() const {
    PPC_LOG_INFO("Init", "weakPwdMap.size()= %i\n", static_cast<int32_t>(weakPwdMap.size()));
}

int32_t WeakPwdDic::Load(const std::string& dicFile, Content& content) {
    // Without blocking, and regular files only: a FIFO must not hang a
    // reload, and a directory must not replace the dictionary with nothing.
    const int fd = open(dicFile.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return kDictionaryUnreadable;
    FdCloser closer(fd);
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return kDictionaryUnreadable;
    const size_t fileBytes = static_cast<size_t>(info.st_size);

    // Everything that allocates happens here, before anything is published:
    // running out of memory leaves the content in force, as an unopenable
    // file does.
    try {
        Content loaded;
        loaded.arena = std::make_unique<DictionaryArena>(
            std::min(kArenaFirstBlockMax, fileBytes * kArenaBytesPerFileByte + kReadChunk));
        // The pending entries are needed only until the index is built: in
        // a large dictionary they go back to the kernel with this scope, not
        // to a heap that would keep them resident.
        BlockResource scratch;
        std::pmr::vector<WeakPwdIndex::Pending> pending(&scratch);
        pending.reserve(fileBytes / kFileBytesPerEntryGuess + 1);
        EntryCollector collector(loaded, pending);
        ReadLines(fd, collector);
        if (!pending.empty()) loaded.index.Build(pending.data(), pending.size(), loaded.arena->entries);
        content = std::move(loaded);
    } catch (const std::exception&) {
        PPC_LOG_ERROR("Init", "out of memory loading %s\n", dicFile.c_str());
        return kDictionaryUnreadable;
    }
    return 0;
}

static_assert(std::is_nothrow_move_constructible_v<WeakPwdDic::Content> &&
                  std::is_nothrow_move_assignable_v<WeakPwdDic::Content>,
              "publishing a load must not be able to fail half way");

WeakPwdDic::Content& WeakPwdDic::Content::operator=(Content&& other) noexcept {
    arena.swap(other.arena);
    weakPwdMap.swap(other.weakPwdMap);
    index.Swap(other.index);
    return *this;
}

WeakPwdDic::Content WeakPwdDic::Adopt(Content&& next) noexcept {
    arena_.swap(next.arena);
    weakPwdMap.swap(next.weakPwdMap);
    index_.Swap(next.index);
    return std::move(next);
}

// cppcheck-suppress passedByValue
bool WeakPwdDic::IsWeakPwd(std::string pwd) {  // NOLINT(performance-unnecessary-value-param)
    return Contains(pwd);
}

bool WeakPwdDic::Contains(std::string_view pwd) {
    const std::string_view trimmed = TrimView(pwd);
    ReadSection read;
    return index_.Contains(trimmed);
}

size_t WeakPwdDic::IndexMemoryBytes() {
    ReadSection read;
    return index_.MemoryBytes();
}
