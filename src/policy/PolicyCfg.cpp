#include "policy/PolicyCfg.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>

#include "lifecycle/DataGuard.h"
#include "policy/ConfigReader.h"
#include "support/Log.h"

const char kFallbackSpecialChars[] = "~!#$%^&*()-_=+\\|[{}]:,<.>?";

namespace {

// Minutes between reloads until a configuration sets "timerInterval".
constexpr int32_t kDefaultTimerIntervalMinutes = 60;
// Init's results when the file cannot be read at all, and when memory runs
// out (the codes the INI parser itself uses for these).
constexpr int32_t kUnreadable = -1;
constexpr int32_t kOutOfMemory = -2;
// The id of a policy section is read from its seventh character on.
constexpr size_t kSectionIdOffset = 6;

// strtol in base 10, keeping the low 32 bits: no range test, and text with
// no leading number gives 0.
int32_t ToInt32(const char* text) {
    return static_cast<int32_t>(static_cast<uint32_t>(strtol(text, nullptr, 10)));
}

// The word "space" in a special-character value stands for one blank. The
// search resumes two characters after each replacement, so "spacespace"
// becomes " space".
std::string ReplaceSpaceWord(const char* value) {
    static const char kWord[] = "space";
    std::string text(value);
    size_t at = text.find(kWord, 0);
    while (at != std::string::npos) {
        text.replace(at, sizeof kWord - 1, " ");
        at = text.find(kWord, at + 2);
    }
    return text;
}

ppc_PolicyInfo FallbackPolicy(int32_t id) {
    return ppc_PolicyInfo{kFallbackMinLen,
                          id == 0 ? kFallbackMaxLenDefault : kFallbackMaxLenOther,
                          kFallbackMinClass,
                          kFallbackAllowMinLen,
                          kFallbackAllowMinClass,
                          std::string()};
}

bool SameRecord(const ppc_PolicyInfo& a, const ppc_PolicyInfo& b) {
    return a.minlen == b.minlen && a.maxlen == b.maxlen && a.minclass == b.minclass &&
           a.allowminlen == b.allowminlen && a.allowminclass == b.allowminclass &&
           a.specialchar == b.specialchar;
}

struct FileCloser {
    void operator()(FILE* file) const { (void)fclose(file); }  // read only: nothing to flush
};

// Every special set a store has published. A record's own text is
// rewritten in place by a reload (short texts live inside the string
// object), so hosts get these immutable copies instead. The pool grows only
// by distinct values. Written by Publish under a WriteSection (loads are
// serialised), read under a ReadSection.
std::set<std::string>& PublishedTexts() {
    static std::set<std::string> texts;
    return texts;
}

}  // namespace

PolicyCfg::PolicyCfg()
    : defaultPolicy(nullptr), timerInterval(kDefaultTimerIntervalMinutes) {}

int32_t PolicyCfg::Init(const std::string& path) {
    ReloadLock lock;
    std::unique_ptr<PolicyCfg> loaded;
    const int32_t result = Load(path, loaded);
    if (loaded) {
        WriteSection write;
        Publish(*loaded);
    }
    return result;
}

int32_t PolicyCfg::Load(const std::string& path, std::unique_ptr<PolicyCfg>& loaded) {
    // Opened without blocking and checked to be a regular file: a FIFO or a
    // directory at the path must neither hang a reload nor count as a read.
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return kUnreadable;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return kUnreadable;
    }
    std::unique_ptr<FILE, FileCloser> file(fdopen(fd, "r"));
    if (!file) {
        close(fd);
        return kUnreadable;
    }
    // Parse into a copy, so that readers keep the old store until the whole
    // file has been read and the copy is published in one step. Running out
    // of memory anywhere before the publication leaves the store as it was;
    // the publication itself allocates nothing.
    int parsed = kOutOfMemory;
    try {
        auto copy = std::make_unique<PolicyCfg>(*this);
        copy->defaultPolicy = nullptr;
        copy->outOfMemory_ = false;
        parsed = ParseConfigFile(file.get(), path, HandlerCfgVal, copy.get());
        if (copy->outOfMemory_) parsed = kOutOfMemory;
        if (parsed >= 0) {
            // Allocated here, so that publishing needs no allocation.
            for (const auto& [id, record] : copy->policyMap) {
                if (PublishedTexts().count(record.specialchar) == 0) {
                    copy->pendingTexts_.insert(record.specialchar);
                }
            }
            loaded = std::move(copy);
        }
    } catch (const std::exception&) {
        parsed = kOutOfMemory;
    }
    defaultPolicy = nullptr;
    if (parsed == kOutOfMemory) PPC_LOG_ERROR("Init", "out of memory loading %s\n", path.c_str());
    return parsed < 0 ? parsed : 0;
}

void PolicyCfg::Publish(PolicyCfg& loaded) noexcept {
    // Nodes move from the loaded copy into the live maps and strings are
    // swapped, so nothing here allocates or throws.
    sectionMap.merge(loaded.sectionMap);
    for (auto& [id, record] : loaded.policyMap) {
        auto live = policyMap.find(id);
        if (live == policyMap.end() || SameRecord(live->second, record)) continue;
        // Assigned in place, so pointers into the store stay valid; an
        // unchanged special set keeps the text a host may still hold.
        ppc_PolicyInfo& target = live->second;
        target.minlen = record.minlen;
        target.maxlen = record.maxlen;
        target.minclass = record.minclass;
        target.allowminlen = record.allowminlen;
        target.allowminclass = record.allowminclass;
        if (target.specialchar != record.specialchar) target.specialchar.swap(record.specialchar);
    }
    policyMap.merge(loaded.policyMap);  // the ids that are new
    weakPwdDicFile.swap(loaded.weakPwdDicFile);
    breachedPwdTableFile.swap(loaded.breachedPwdTableFile);
    timerInterval = loaded.timerInterval;
    PublishedTexts().merge(loaded.pendingTexts_);
}

int PolicyCfg::HandlerCfgVal(void* user, const char* section, const char* name,
                             const char* value) {
    PolicyCfg* store = static_cast<PolicyCfg*>(user);
    // Called from C: nothing may escape. A failed allocation fails the load.
    try {
        store->HandleKey(section, name, value);
    } catch (const std::exception&) {
        store->outOfMemory_ = true;
    }
    return 0;
}

void PolicyCfg::HandleKey(const char* section, const char* name, const char* value) {
    if (strstr(section, "POLICY") != nullptr) {
        ppc_PolicyInfo* policyObj = GetPolicyBySection(section);
        if (policyObj == nullptr) {
            PPC_LOG_ERROR("HandlerCfgVal", "GetPolicyBySection %s is NULL\n", section);
            return;
        }
        if (strcmp(name, "minlen") == 0) {
            policyObj->minlen = ToInt32(value);
        } else if (strcmp(name, "maxlen") == 0) {
            policyObj->maxlen = ToInt32(value);
        } else if (strcmp(name, "minclass") == 0) {
            policyObj->minclass = ToInt32(value);
        } else if (strcmp(name, "specialchar") == 0) {
            policyObj->specialchar = ReplaceSpaceWord(value);
            PPC_LOG_INFO("HandlerCfgVal", "policyObj->specialchar= %s\n",
                         policyObj->specialchar.c_str());
        } else if (strcmp(name, "allowminlen") == 0) {
            policyObj->allowminlen = ToInt32(value);
        } else if (strcmp(name, "allowminclass") == 0) {
            policyObj->allowminclass = ToInt32(value);
        } else {
            PPC_LOG_WARN("HandlerCfgVal", "unknown section %s and name %s\n", section, name);
        }
    } else if (strcmp(section, "BASIC") == 0) {
        if (strcmp(name, "weakPwdDic") == 0) {
            weakPwdDicFile = value;
        } else if (strcmp(name, "timerInterval") == 0) {
            timerInterval = ToInt32(value);
        } else if (strcmp(name, "breachedPwdTable") == 0) {
            breachedPwdTableFile = value;
        } else {
            PPC_LOG_WARN("HandlerCfgVal", "unknown section %s and name %s\n", section, name);
        }
    } else {
        PPC_LOG_INFO("HandlerCfgVal", "unknown section %s\n", section);
    }
}

ppc_PolicyInfo* PolicyCfg::GetPolicyBySection(const char* section) {
    int32_t id = 0;
    auto known = sectionMap.find(section);
    if (known != sectionMap.end()) {
        id = known->second;
    } else {
        const size_t length = strlen(section);
        id = ToInt32(length > kSectionIdOffset ? section + kSectionIdOffset : "");
        sectionMap.emplace(section, id);
        // A policy that follows policy 0 in the same load starts as its copy;
        // otherwise it starts from the fallback values, so a field its
        // section does not name never reads garbage.
        ppc_PolicyInfo record = defaultPolicy != nullptr ? *defaultPolicy : FallbackPolicy(id);
        auto placed = policyMap.emplace(id, std::move(record)).first;
        if (id == 0) defaultPolicy = &placed->second;
    }
    auto found = policyMap.find(id);
    return found == policyMap.end() ? nullptr : &found->second;
}

ppc_PolicyInfo* PolicyCfg::GetPolicyByID(int32_t id) {
    auto found = policyMap.find(id);
    return found == policyMap.end() ? nullptr : &found->second;
}

ppc_PolicyInfo* PolicyCfg::GetDefaultPolicy() { return GetPolicyByID(0); }

std::string PolicyCfg::GetWeakPwdDicFile() const {
    ReadSection read;
    return weakPwdDicFile;
}

const char* PolicyCfg::StableSpecialChar(const ppc_PolicyInfo& policy) const {
    const std::set<std::string>& texts = PublishedTexts();
    const auto text = texts.find(policy.specialchar);
    // Only a store filled without Init (a test's own) lacks the text.
    return text != texts.end() ? text->c_str() : policy.specialchar.c_str();
}

std::string PolicyCfg::GetBreachedPwdTableFile() const {
    ReadSection read;
    return breachedPwdTableFile;
}

int32_t PolicyCfg::GetTimeInterval() const {
    ReadSection read;
    // Wraps like 32-bit arithmetic instead of overflowing.
    return static_cast<int32_t>(static_cast<uint32_t>(timerInterval) * 60u);
}
