// Fuzzes the configuration load: arbitrary bytes as the INI file, loaded into
// a fresh store and into the global one, then every accessor and
// PPC_GetPolicy on the result.
//
// Properties checked besides "no crash, no sanitizer report":
// - a readable regular file always loads (Init returns 0);
// - every section in sectionMap names "POLICY" and maps to the id read from
//   its seventh character on, and that id has a record;
// - loading the same file again changes nothing and moves no record;
// - loading other content afterwards removes nothing and moves no record;
// - the global store, loaded from the same file, holds the same content, and
//   PPC_GetPolicy reports it (or the fallback values for an absent id).
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzFile.h"
#include "lifecycle/Globals.h"
#include "lifecycle/Snapshot.h"
#include "policy/PolicyCfg.h"
#include "pwdpolicy.h"
#include "support/ReloadLock.h"

namespace {

bool SameRecord(const ppc_PolicyInfo& a, const ppc_PolicyInfo& b) {
    return a.minlen == b.minlen && a.maxlen == b.maxlen && a.minclass == b.minclass &&
           a.allowminlen == b.allowminlen && a.allowminclass == b.allowminclass &&
           a.specialchar == b.specialchar;
}

bool SameStore(const PolicyCfg& a, const PolicyCfg& b) {
    if (a.sectionMap != b.sectionMap || a.weakPwdDicFile != b.weakPwdDicFile ||
        a.timerInterval != b.timerInterval || a.policyMap.size() != b.policyMap.size()) {
        return false;
    }
    auto other = b.policyMap.begin();
    for (const auto& [id, record] : a.policyMap) {
        if (id != other->first || !SameRecord(record, other->second)) return false;
        ++other;
    }
    return true;
}

int32_t SectionId(const std::string& name) {
    const char* digits = name.size() > 6 ? name.c_str() + 6 : "";
    return static_cast<int32_t>(static_cast<uint32_t>(strtol(digits, nullptr, 10)));
}

void CheckStore(PolicyCfg& store) {
    FUZZ_CHECK(store.defaultPolicy == nullptr);
    for (const auto& [name, id] : store.sectionMap) {
        FUZZ_CHECK(name.find("POLICY") != std::string::npos);
        FUZZ_CHECK(id == SectionId(name));
        FUZZ_CHECK(store.GetPolicyByID(id) != nullptr);
    }
    for (const auto& entry : store.policyMap) {
        bool named = false;
        for (const auto& section : store.sectionMap) named = named || section.second == entry.first;
        FUZZ_CHECK(named);
    }
    FUZZ_CHECK(store.GetDefaultPolicy() == store.GetPolicyByID(0));
    FUZZ_CHECK(store.GetWeakPwdDicFile() == store.weakPwdDicFile);
    FUZZ_CHECK(store.GetTimeInterval() ==
               static_cast<int32_t>(static_cast<uint32_t>(store.timerInterval) * 60u));
}

void CheckGetPolicy(int32_t id) {
    int limits[5] = {-7, -7, -7, -7, -7};
    const char* special = nullptr;
    const ppc_PolicyInfo* record = policyCfgObj.GetPolicyByID(id);
    const unsigned int rc = PPC_GetPolicy(id, limits, 5, &special);
    if (record != nullptr) {
        FUZZ_CHECK(rc == PPC_OK);
        FUZZ_CHECK(limits[0] == record->minlen && limits[1] == record->maxlen &&
                   limits[2] == record->minclass && limits[3] == record->allowminlen &&
                   limits[4] == record->allowminclass);
        // The text handed out is the store's immutable copy of the set.
        FUZZ_CHECK(special != record->specialchar.c_str() && special == record->specialchar);
    } else {
        FUZZ_CHECK(rc == PPC_ERR_NO_POLICY);
        FUZZ_CHECK(limits[0] == 8 && limits[1] == (id == 0 ? 15 : 32) && limits[2] == 3 &&
                   limits[3] == 6 && limits[4] == 2);
        FUZZ_CHECK(strcmp(special, "~!#$%^&*()-_=+\\|[{}]:,<.>?") == 0);
    }
    int untouched[4] = {-7, -7, -7, -7};
    special = nullptr;
    PPC_GetPolicy(id, untouched, 4, &special);
    FUZZ_CHECK(special != nullptr);
    for (int value : untouched) FUZZ_CHECK(value == -7);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const FuzzFile file("ppc-fuzz-conf");
    file.Write(data, size);

    PolicyCfg store;
    FUZZ_CHECK(store.Init(file.Path()) == 0);
    CheckStore(store);

    // A reload of an unchanged file is a no-op, and records stay in place.
    const PolicyCfg before = store;
    std::vector<const ppc_PolicyInfo*> addresses;
    for (auto& entry : store.policyMap) addresses.push_back(&entry.second);
    FUZZ_CHECK(store.Init(file.Path()) == 0);
    FUZZ_CHECK(SameStore(before, store));
    size_t at = 0;
    for (auto& entry : store.policyMap) FUZZ_CHECK(addresses[at++] == &entry.second);

    // A reload of different content (the input's second half) removes
    // nothing and moves no record.
    file.Write(data + size / 2, size - size / 2);
    FUZZ_CHECK(store.Init(file.Path()) == 0);
    CheckStore(store);
    for (const auto& [name, id] : before.sectionMap) {
        const auto kept = store.sectionMap.find(name);
        FUZZ_CHECK(kept != store.sectionMap.end() && kept->second == id);
    }
    at = 0;
    for (const auto& entry : before.policyMap) {
        FUZZ_CHECK(store.GetPolicyByID(entry.first) == addresses[at++]);
    }
    file.Write(data, size);

    // PPC_GetPolicy reads the global store: give it the same file, from empty
    // so that every input is judged on its own.
    policyCfgObj = PolicyCfg();
    FUZZ_CHECK(policyCfgObj.Init(file.Path()) == 0);
    {
        ReloadLock lock;  // what InitData does after its load: the queries read what is published
        dataInForce.Publish(MakeSnapshot(policyCfgObj, weakpwdDic, nullptr));
    }
    FUZZ_CHECK(SameStore(before, policyCfgObj));
    for (const auto& [name, id] : before.sectionMap) CheckGetPolicy(id);
    for (int32_t id : {0, 1, -1, 7, INT32_MIN, INT32_MAX}) CheckGetPolicy(id);
    return 0;
}
