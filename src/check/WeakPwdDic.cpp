#include "check/WeakPwdDic.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <new>
#include <vector>

#include "lifecycle/DataGuard.h"
#include "support/Log.h"

namespace {

constexpr int32_t kDictionaryUnreadable = 12;
constexpr size_t kReadChunk = 1 << 16;
// Lists of short entries are found through a table instead of the map.
constexpr size_t kDirectLengths = 256;

class FdCloser {
public:
    explicit FdCloser(int fd) : fd_(fd) {}
    ~FdCloser() { close(fd_); }
    FdCloser(const FdCloser&) = delete;
    FdCloser& operator=(const FdCloser&) = delete;

private:
    int fd_;
};

// Collects trimmed lines into a fresh map until the first empty one.
// Each entry is hashed for the index here, while its bytes are still in the
// cache, rather than in a later walk over a million scattered list nodes.
class EntryCollector {
public:
    explicit EntryCollector(WeakPwdIndex::EntryMap& entries)
        : entries_(entries), direct_(kDirectLengths, nullptr) {}

    // False once the dictionary has ended.
    bool Add(std::string_view line) {
        const std::string_view entry = WeakPwdDic::TrimView(line);
        if (entry.empty()) return false;
        const size_t length = entry.size();
        std::list<std::string>* list = length < kDirectLengths ? direct_[length] : nullptr;
        if (list == nullptr) {
            list = &entries_[static_cast<int32_t>(length)];
            if (length < kDirectLengths) direct_[length] = list;
        }
        list->emplace_back(entry);
        pending_.push_back({WeakPwdIndex::HashOf(entry), &list->back()});
        return true;
    }
    std::vector<WeakPwdIndex::Pending>& Pending() { return pending_; }

private:
    WeakPwdIndex::EntryMap& entries_;
    std::vector<std::list<std::string>*> direct_;
    std::vector<WeakPwdIndex::Pending> pending_;
};

// Reads `fd` line by line (LF separated, the last line needs none) until the
// collector says stop. A read error ends the reading like the end of file.
void ReadLines(int fd, EntryCollector& collector) {
    std::vector<char> chunk(kReadChunk);
    std::string partial;  // a line that runs across chunks
    for (;;) {
        const ssize_t got = read(fd, chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        const char* at = chunk.data();
        const char* end = at + got;
        while (at < end) {
            const char* newline = static_cast<const char*>(memchr(at, '\n', end - at));
            if (newline == nullptr) {
                partial.append(at, end);
                break;
            }
            bool more;
            if (partial.empty()) {
                more = collector.Add(std::string_view(at, newline - at));
            } else {
                partial.append(at, newline);
                more = collector.Add(partial);
                partial.clear();
            }
            if (!more) return;
            at = newline + 1;
        }
    }
    if (!partial.empty()) collector.Add(partial);
}

// Frees `entries` a few nodes from each list at a time, in proportion to
// the lists' sizes. The nodes were allocated in file order, which
// interleaves the lengths: freed list by list, every node is a jump across
// the heap and a wait on memory, while this order stays near the order of
// allocation and keeps the walks of several lists in flight at once.
void ReleaseEntries(WeakPwdIndex::EntryMap& entries) {
    constexpr size_t kPerRound = 256;
    struct Cursor {
        std::list<std::string>* list;
        size_t perRound;
    };
    size_t total = 0;
    for (const auto& [length, list] : entries) total += list.size();
    std::vector<Cursor> cursors;
    try {
        cursors.reserve(entries.size());
    } catch (const std::bad_alloc&) {
        entries.clear();  // the plain order: slower to free, but it cannot fail
        return;
    }
    for (auto& [length, list] : entries) {
        cursors.push_back({&list, std::max<size_t>(1, list.size() * kPerRound / (total + 1))});
    }
    while (!cursors.empty()) {
        for (size_t i = 0; i < cursors.size();) {
            Cursor& cursor = cursors[i];
            for (size_t n = 0; n < cursor.perRound && !cursor.list->empty(); ++n) cursor.list->pop_front();
            if (cursor.list->empty()) {
                cursor = cursors.back();
                cursors.pop_back();
            } else {
                ++i;
            }
        }
    }
    entries.clear();
}

}  // namespace

std::string_view WeakPwdDic::TrimView(std::string_view s) {
    if (!s.empty() && s.back() == '\r') s.remove_suffix(1);
    const size_t first = s.find_first_not_of(' ');
    if (first == std::string_view::npos) return s;
    const size_t last = s.find_last_not_of(' ');
    return s.substr(first, last - first + 1);
}

std::string WeakPwdDic::Trim(const std::string& s) { return std::string(TrimView(s)); }

// The path and the password are taken by value, as the class's callers
// expect.
// cppcheck-suppress passedByValue
int32_t WeakPwdDic::Init(std::string dicFile) {  // NOLINT(performance-unnecessary-value-param)
    ReloadLock lock;
    Staged staged;
    const int32_t result = Load(dicFile, staged);
    if (result != 0) return result;
    {
        WriteSection write;
        Adopt(staged);
    }
    Retire(staged);
    return 0;
}

int32_t WeakPwdDic::Load(const std::string& dicFile, Staged& staged) {
    // Without blocking, and regular files only: a FIFO must not hang a
    // reload, and a directory must not replace the dictionary with nothing.
    const int fd = open(dicFile.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return kDictionaryUnreadable;
    FdCloser closer(fd);
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return kDictionaryUnreadable;

    // Everything that allocates happens before the swap: running out of
    // memory leaves the content in force, as an unopenable file does.
    try {
        EntryCollector collector(staged.entries);
        ReadLines(fd, collector);
        staged.index.Build(collector.Pending());
    } catch (const std::exception&) {
        PPC_LOG_ERROR("Init", "out of memory loading %s\n", dicFile.c_str());
        return kDictionaryUnreadable;
    }
    return 0;
}

void WeakPwdDic::Adopt(Staged& staged) noexcept {
    weakPwdMap.swap(staged.entries);
    index_.Swap(staged.index);
}

void WeakPwdDic::Retire(Staged& replaced) const {
    // `replaced` holds the old content, which no reader can see any more.
    replaced.index = WeakPwdIndex();
    ReleaseEntries(replaced.entries);
    PPC_LOG_INFO("Init", "weakPwdMap.size()= %i\n", static_cast<int32_t>(weakPwdMap.size()));
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
