#ifndef PWDPOLICY_POLICY_POLICYCFG_H
#define PWDPOLICY_POLICY_POLICYCFG_H

#include <cstdint>
#include <map>
#include <string>

#include "policy/PolicyInfo.h"
#include "policy/PolicyRules.h"
#include "support/LoadReport.h"

class ConfigReader;

// The policy store: every policy by id, plus the dictionary path and the
// reload period, all from the INI configuration file. Loads add records and
// rewrite fields in place; nothing is removed while the store exists, so a
// pointer from GetPolicyByID stays valid.
//
// A store is plain data with no lock of its own. The component's store,
// policyCfgObj, is the loader's: only loads write it, under the reload lock,
// and queries never read it; they read the snapshot that each load
// publishes (lifecycle/Snapshot.h).
class PolicyCfg {
public:
    PolicyCfg();

    // Parses `path` into this store. Returns 0 when the file was read (even
    // if some lines were bad, or a read error ended it early); -1 when it
    // could not be opened or is not a regular file, -2 when memory ran out.
    // On failure the store is unchanged.
    int32_t Init(const std::string& path);
    // Init, saying in `report` (when not null) what was read and ignored
    // and why, line by line.
    int32_t Load(const std::string& path, LoadReport* report);

    // inih handler: `user` is the PolicyCfg being loaded. Always returns 0
    // and never throws.
    static int HandlerCfgVal(void* user, const char* section, const char* name, const char* value);

    // The record of policy section `section`, created on its first key.
    ppc_PolicyInfo* GetPolicyBySection(const char* section);

    // The record stored under exactly `id`, or null.
    ppc_PolicyInfo* GetPolicyByID(int32_t id);
    ppc_PolicyInfo* GetDefaultPolicy();
    // The rules beyond ppc_PolicyInfo's fields of policy `id`; the defaults
    // for an id the store does not hold.
    const PolicyRules& GetRulesByID(int32_t id) const;
    // A copy of the dictionary path; empty until a load sets "weakPwdDic".
    std::string GetWeakPwdDicFile() const;
    // The reload period in seconds: timerInterval * 60, wrapped to 32 bits.
    int32_t GetTimeInterval() const;

    ppc_PolicyInfo* defaultPolicy;  // policy 0 once created in the current load
    std::map<std::string, int32_t> sectionMap;
    std::map<int32_t, ppc_PolicyInfo> policyMap;
    // Beside policyMap, id for id: made with each record (a copy of policy
    // 0's when the record copies policy 0) and kept as long as it.
    std::map<int32_t, PolicyRules> rulesMap;
    std::string weakPwdDicFile;
    std::string breachedPwdTableFile;  // "breachedPwdTable"; empty: none
    int32_t timerInterval;
    // "reloadRecovery": 1 lets a tick recover what one tick's reload misses
    // (lifecycle/Reloader.cpp); 0, the default, keeps ticks as they are.
    int32_t reloadRecovery = 0;

private:
    void HandleKey(const char* section, const char* name, const char* value);
    // Notes that the key on the reader's current line took no effect.
    void Ignored(LoadReason reason, const char* section, const char* name);
    // Moves what `loaded` holds into this store, record by record in place.
    void Adopt(PolicyCfg& loaded) noexcept;

    // Set while a Load parses into this store.
    const ConfigReader* reader_ = nullptr;
    LoadReport* report_ = nullptr;
    const std::string* path_ = nullptr;
    bool outOfMemory_ = false;  // set by a handler call that could not allocate
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
