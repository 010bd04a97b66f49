#include "policy/PolicyCfg.h"

#include <fcntl.h>
#include <ini.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "lifecycle/DataGuard.h"
#include "support/Log.h"

const char kFallbackSpecialChars[] = "~!#$%^&*()-_=+\\|[{}]:,<.>?";

namespace {

// Minutes between reloads until a configuration sets "timerInterval".
constexpr int32_t kDefaultTimerIntervalMinutes = 60;
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
    void operator()(FILE* file) const { fclose(file); }
};

}  // namespace

PolicyCfg::PolicyCfg()
    : defaultPolicy(nullptr), timerInterval(kDefaultTimerIntervalMinutes) {}

int32_t PolicyCfg::Init(const std::string& path) {
    ReloadLock lock;
    // Opened without blocking and checked to be a regular file: a FIFO or a
    // directory at the path must neither hang a reload nor count as a read.
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return -1;
    }
    std::unique_ptr<FILE, FileCloser> file(fdopen(fd, "r"));
    if (!file) {
        close(fd);
        return -1;
    }
    // Parse into a copy, so that readers keep the old store until the whole
    // file has been read, and publish it in one step.
    PolicyCfg loaded(*this);
    loaded.defaultPolicy = nullptr;
    const int parsed = ini_parse_file(file.get(), HandlerCfgVal, &loaded);
    defaultPolicy = nullptr;
    if (parsed < 0) return parsed;
    Publish(loaded);
    return 0;
}

void PolicyCfg::Publish(const PolicyCfg& loaded) {
    WriteSection write;
    for (const auto& [name, id] : loaded.sectionMap) sectionMap.emplace(name, id);
    for (const auto& [id, record] : loaded.policyMap) {
        auto [it, inserted] = policyMap.try_emplace(id, record);
        // Assign in place so that pointers into the store stay valid.
        if (!inserted && !SameRecord(it->second, record)) it->second = record;
    }
    weakPwdDicFile = loaded.weakPwdDicFile;
    timerInterval = loaded.timerInterval;
}

int PolicyCfg::HandlerCfgVal(void* user, const char* section, const char* name,
                             const char* value) {
    PolicyCfg* store = static_cast<PolicyCfg*>(user);
    if (strstr(section, "POLICY") != nullptr) {
        ppc_PolicyInfo* policyObj = store->GetPolicyBySection(section);
        if (policyObj == nullptr) {
            PPC_LOG_ERROR("HandlerCfgVal", "GetPolicyBySection %s is NULL\n", section);
            return 0;
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
            store->weakPwdDicFile = value;
        } else if (strcmp(name, "timerInterval") == 0) {
            store->timerInterval = ToInt32(value);
        } else {
            PPC_LOG_WARN("HandlerCfgVal", "unknown section %s and name %s\n", section, name);
        }
    } else {
        PPC_LOG_INFO("HandlerCfgVal", "unknown section %s\n", section);
    }
    return 0;
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

std::string PolicyCfg::GetWeakPwdDicFile() {
    ReadSection read;
    return weakPwdDicFile;
}

int32_t PolicyCfg::GetTimeInterval() {
    ReadSection read;
    // Wraps like 32-bit arithmetic instead of overflowing.
    return static_cast<int32_t>(static_cast<uint32_t>(timerInterval) * 60u);
}
