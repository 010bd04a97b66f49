#ifndef PWDPOLICY_POLICY_POLICYCFG_H
#define PWDPOLICY_POLICY_POLICYCFG_H

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "policy/PolicyInfo.h"

// The policy store: every policy by id, plus the dictionary path and the
// reload period, all from the INI configuration file. Loads add records and
// rewrite fields in place; nothing is removed while the store exists, so a
// pointer from GetPolicyByID stays valid.
//
// Concurrency: Init serialises itself against other loads and publishes
// under a WriteSection. Readers hold a ReadSection while they use a record.
// InitData uses Load and Publish to publish the store together with the
// dictionary.
class PolicyCfg {
public:
    PolicyCfg();

    // Parses `path` into this store. Returns 0 when the file was read (even
    // if some lines were bad); -1 when it could not be opened or is not a
    // regular file, -2 when memory ran out. On failure the store is unchanged.
    int32_t Init(const std::string& path);

    // Init's first half: parses `path` into a copy of this store, which
    // `loaded` receives when the result is 0; nothing is published.
    // REQUIRES: the ReloadLock.
    int32_t Load(const std::string& path, std::unique_ptr<PolicyCfg>& loaded);
    // Init's second half: moves what `loaded` holds into this store.
    // Allocates nothing. REQUIRES: a WriteSection.
    void Publish(PolicyCfg& loaded) noexcept;

    // inih handler: `user` is the PolicyCfg being loaded. Always returns 0
    // and never throws.
    static int HandlerCfgVal(void* user, const char* section, const char* name, const char* value);

    // The record of policy section `section`, created on its first key.
    ppc_PolicyInfo* GetPolicyBySection(const char* section);

    // The record stored under exactly `id`, or null.
    // REQUIRES: a ReadSection (or the reload lock) while the record is used.
    ppc_PolicyInfo* GetPolicyByID(int32_t id);
    ppc_PolicyInfo* GetDefaultPolicy();
    // A copy of the dictionary path; empty until a load sets "weakPwdDic".
    std::string GetWeakPwdDicFile() const;
    // A copy of the breach table's path; empty (no table) until a load sets
    // "breachedPwdTable" to a path.
    std::string GetBreachedPwdTableFile() const;
    // The reload period in seconds: timerInterval * 60, wrapped to 32 bits.
    int32_t GetTimeInterval() const;
    // `policy`'s special set as a text that never changes and lives as long
    // as the store, for handing to hosts. REQUIRES: a ReadSection.
    const char* StableSpecialChar(const ppc_PolicyInfo& policy) const;

    ppc_PolicyInfo* defaultPolicy;  // policy 0 once created in the current load
    std::map<std::string, int32_t> sectionMap;
    std::map<int32_t, ppc_PolicyInfo> policyMap;
    std::string weakPwdDicFile;
    std::string breachedPwdTableFile;  // "breachedPwdTable"; empty: none
    int32_t timerInterval;

private:
    void HandleKey(const char* section, const char* name, const char* value);

    bool outOfMemory_ = false;  // set by a handler call that could not allocate

    // Special sets of a load that no store has published yet; Publish moves
    // them into the pool behind StableSpecialChar.
    std::set<std::string> pendingTexts_;
};

// Values a policy starts with when no policy 0 precedes its section, and
// that PPC_GetPolicy reports for an absent policy.
constexpr int32_t kFallbackMinLen = 8;
constexpr int32_t kFallbackMaxLenDefault = 15;  // policy 0
constexpr int32_t kFallbackMaxLenOther = 32;
constexpr int32_t kFallbackMinClass = 3;
constexpr int32_t kFallbackAllowMinLen = 6;
constexpr int32_t kFallbackAllowMinClass = 2;
extern const char kFallbackSpecialChars[];

#endif  // PWDPOLICY_POLICY_POLICYCFG_H
