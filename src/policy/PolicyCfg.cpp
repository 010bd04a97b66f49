#include "policy/PolicyCfg.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>

#include "policy/ConfigReader.h"
#include "support/InputFile.h"
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

// Why the keys of section `section` are ignored.
std::string UnknownSectionMessage(const std::string& section) {
    if (section.empty()) return "keys before the first section are ignored";
    std::string upper = section;
    for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    const bool caseSlip = upper == "BASIC" || upper.find("POLICY") != std::string::npos;
    return "section [" + section + "] is ignored: the component reads [BASIC] and sections whose name "
           "contains POLICY" + (caseSlip ? " (names are case-sensitive)" : "");
}

// The values a rule key takes, for a note about a value it cannot take.
std::string RuleValues(const std::string& name) {
    if (name == "lengthUnit") return "the value must be byte or codepoint";
    if (name == "normalize") return "the value must be none or NFKC";
    if (name == "composition") return "the value must be classes or none";
    if (name == "contextCheck") return "the value must be 0 or 1";
    return "the value must be a whole number from 0 to 1000000";
}

// The handler Load gives the parser: the store's own, with every key
// counted as taken, so that the parser's result names malformed lines only.
int TakeEveryKey(void* user, const char* section, const char* name, const char* value) {
    PolicyCfg::HandlerCfgVal(user, section, name, value);
    return 1;
}

}  // namespace

PolicyCfg::PolicyCfg()
    : defaultPolicy(nullptr), timerInterval(kDefaultTimerIntervalMinutes) {}

int32_t PolicyCfg::Init(const std::string& path) { return Load(path, nullptr); }

int32_t PolicyCfg::Load(const std::string& path, LoadReport* report) {
    InputFile file(path);
    if (!file.Opened()) {
        Note(report, LoadSource::kConfiguration, LoadReason::kUnreadable, path, 0,
             [&] { return "cannot be opened: " + file.Problem(); });
        return kUnreadable;
    }
    // Parsed into a copy, which replaces this store's content only once the
    // whole file has been read: running out of memory or a read error part
    // way leaves the store as it was.
    int parsed = kOutOfMemory;
    try {
        auto copy = std::make_unique<PolicyCfg>(*this);
        copy->defaultPolicy = nullptr;
        ConfigReader reader(file, path, report);
        copy->reader_ = &reader;
        copy->report_ = report;
        copy->path_ = &path;
        parsed = reader.Parse(TakeEveryKey, copy.get());
        if (copy->outOfMemory_) parsed = kOutOfMemory;
        if (parsed > 0) {
            Note(report, LoadSource::kConfiguration, LoadReason::kMalformedLine, path, parsed, [] {
                return "neither a section, a key nor a comment: skipped (only the first such line is reported)";
            });
        }
        if (parsed >= 0) Adopt(*copy);
    } catch (const std::exception&) {
        parsed = kOutOfMemory;
    }
    defaultPolicy = nullptr;
    if (parsed == kOutOfMemory) {
        PPC_LOG_ERROR("Init", "out of memory loading %s\n", path.c_str());
        Note(report, LoadSource::kConfiguration, LoadReason::kOutOfMemory, path, 0,
             [] { return "out of memory: nothing of the file was used"; });
    }
    if (parsed < 0) return parsed;
    Note(report, LoadSource::kConfiguration, LoadReason::kRead, path, 0, [this] {
        return std::to_string(policyMap.size()) + (policyMap.size() == 1 ? " policy" : " policies");
    });
    return 0;
}

void PolicyCfg::Adopt(PolicyCfg& loaded) noexcept {
    // Nodes move from the loaded copy into this store's maps and strings are
    // swapped, so nothing here allocates or throws.
    sectionMap.merge(loaded.sectionMap);
    for (auto& [id, record] : loaded.policyMap) {
        auto live = policyMap.find(id);
        if (live == policyMap.end()) continue;
        // Assigned in place, so pointers into the store stay valid.
        ppc_PolicyInfo& target = live->second;
        target.minlen = record.minlen;
        target.maxlen = record.maxlen;
        target.minclass = record.minclass;
        target.allowminlen = record.allowminlen;
        target.allowminclass = record.allowminclass;
        target.specialchar.swap(record.specialchar);
    }
    policyMap.merge(loaded.policyMap);  // the ids that are new
    rulesMap.swap(loaded.rulesMap);     // the copy holds every id: nothing to merge
    weakPwdDicFile.swap(loaded.weakPwdDicFile);
    breachedPwdTableFile.swap(loaded.breachedPwdTableFile);
    timerInterval = loaded.timerInterval;
    reloadRecovery = loaded.reloadRecovery;
}

int PolicyCfg::HandlerCfgVal(void* user, const char* section, const char* name,
                             const char* value) {
    PolicyCfg* store = static_cast<PolicyCfg*>(user);
    // Called from C: nothing may escape. A failed allocation fails the load.
    try {
        if (store->report_ != nullptr && store->report_->TracingKeys()) {
            store->report_->AddKey(ConfigKey{store->reader_->LineNumber(), section, name, value});
        }
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
            Ignored(LoadReason::kNoPolicy, section, name);
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
            // The rule keys are taken silently, like the integer keys.
            const RuleKey rule = ApplyRuleKey(rulesMap[sectionMap.at(section)], name, value);
            if (rule == RuleKey::kBadValue) Ignored(LoadReason::kBadValue, section, name);
            if (rule != RuleKey::kNotARule) return;
            PPC_LOG_WARN("HandlerCfgVal", "unknown section %s and name %s\n", section, name);
            Ignored(LoadReason::kUnknownKey, section, name);
        }
    } else if (strcmp(section, "BASIC") == 0) {
        if (strcmp(name, "weakPwdDic") == 0) {
            weakPwdDicFile = value;
        } else if (strcmp(name, "timerInterval") == 0) {
            timerInterval = ToInt32(value);
        } else if (strcmp(name, "breachedPwdTable") == 0) {
            breachedPwdTableFile = value;
        } else if (strcmp(name, "reloadRecovery") == 0) {
            reloadRecovery = ToInt32(value);
        } else {
            PPC_LOG_WARN("HandlerCfgVal", "unknown section %s and name %s\n", section, name);
            Ignored(LoadReason::kUnknownKey, section, name);
        }
    } else {
        PPC_LOG_INFO("HandlerCfgVal", "unknown section %s\n", section);
        Ignored(LoadReason::kUnknownSection, section, name);
    }
}

void PolicyCfg::Ignored(LoadReason reason, const char* section, const char* name) {
    if (report_ == nullptr) return;  // no report asked for, or a handler call outside Load
    Note(report_, LoadSource::kConfiguration, reason, *path_, reader_->LineNumber(), [&]() -> std::string {
        if (reason == LoadReason::kUnknownSection) return UnknownSectionMessage(section);
        if (reason == LoadReason::kBadValue) {
            return std::string("[") + section + "] key " + name + " is ignored: " + RuleValues(name);
        }
        return std::string("[") + section + "] key " + name + " is ignored: " +
               (reason == LoadReason::kNoPolicy ? "its policy's record could not be made"
                                                : "the component does not know it there");
    });
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
        PolicyRules rules = defaultPolicy != nullptr ? rulesMap[0] : PolicyRules{};
        auto placed = policyMap.emplace(id, std::move(record)).first;
        rulesMap.emplace(id, rules);
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

const PolicyRules& PolicyCfg::GetRulesByID(int32_t id) const {
    static const PolicyRules defaults;
    auto found = rulesMap.find(id);
    return found == rulesMap.end() ? defaults : found->second;
}

std::string PolicyCfg::GetWeakPwdDicFile() const { return weakPwdDicFile; }

int32_t PolicyCfg::GetTimeInterval() const {
    // Wraps like 32-bit arithmetic instead of overflowing.
    return static_cast<int32_t>(static_cast<uint32_t>(timerInterval) * 60u);
}
