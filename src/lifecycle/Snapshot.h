// The data in force: everything a query reads, from one load, held in one
// immutable Snapshot. A load builds the next snapshot beside the one in
// force and publishes it whole; a reader sees the snapshot that was in force
// when its Read began, never a mix of two loads.
#ifndef PWDPOLICY_LIFECYCLE_SNAPSHOT_H
#define PWDPOLICY_LIFECYCLE_SNAPSHOT_H

#include <atomic>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "breach/TableSet.h"
#include "check/PolicyJudge.h"
#include "check/WeakPwdDic.h"
#include "lifecycle/DataGuard.h"
#include "policy/PolicyCfg.h"

// One policy as queries read it.
struct PolicyInForce {
    ppc_PolicyInfo record;  // the store's record when the snapshot was made
    // record.specialchar as a text that never changes and stays valid while
    // the library is loaded, for PPC_GetPolicy's callers to keep.
    const char* stableSpecialChar;
    PolicyRules rules;  // the store's rules for this id
    ByteTable bytes;    // classes and special set of record, for the checks
};

struct Snapshot {
    // The policy stored under exactly `id`, or null.
    const PolicyInForce* Policy(int32_t id) const;

    std::vector<std::pair<int32_t, PolicyInForce>> policies;  // by id, ascending
    WeakPwdDic dictionary;                                    // shares the loaded content
    std::shared_ptr<const breach::TableSet> breachTables;     // null: no table
};

// A snapshot of what `store`, `dictionary` and `breachTables` hold now.
// Throws std::bad_alloc. REQUIRES: the reload lock (the special-character
// texts are kept in one pool for the library's lifetime).
std::unique_ptr<const Snapshot> MakeSnapshot(const PolicyCfg& store, const WeakPwdDic& dictionary,
                                             std::shared_ptr<const breach::TableSet> breachTables);

// The snapshot in force, and the only synchronisation between queries and
// loads. Readers never wait for a load, only for a publication's pointer
// swap; the snapshot a publication replaced is destroyed once no reader can
// still see it.
class DataInForce {
public:
    constexpr DataInForce() = default;
    ~DataInForce();
    DataInForce(const DataInForce&) = delete;
    DataInForce& operator=(const DataInForce&) = delete;

    // Returns fn(const Snapshot&) for the snapshot in force (an empty one
    // before the first publication). Keep fn to a lookup: a publication
    // waits for it. fn must not call a PPC_ function.
    template <class Fn>
    decltype(auto) Read(Fn&& fn) const {
        ReadSection section;
        const Snapshot* snapshot = current_.load(std::memory_order_acquire);
        return std::forward<Fn>(fn)(snapshot != nullptr ? *snapshot : Empty());
    }

    // Puts `next` in force and returns the snapshot it replaced, which no
    // reader can see any more (null for the first). REQUIRES: the reload lock,
    // and not inside a Read.
    std::unique_ptr<const Snapshot> Publish(std::unique_ptr<const Snapshot> next);

private:
    static const Snapshot& Empty();

    std::atomic<const Snapshot*> current_{nullptr};  // owned
};

extern DataInForce dataInForce;

#endif  // PWDPOLICY_LIFECYCLE_SNAPSHOT_H
