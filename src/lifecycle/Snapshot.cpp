#include "lifecycle/Snapshot.h"

#include <algorithm>
#include <set>
#include <string>

namespace {

// Every special set a snapshot has held. Hosts may keep the text that
// PPC_GetPolicy hands out, so a text stays while the library is loaded,
// whatever later loads do; the pool grows only by distinct sets. Written
// under the reload lock; readers only follow pointers into its nodes, which
// never move.
const char* StableText(const std::string& text) {
    static std::set<std::string> texts;
    return texts.insert(text).first->c_str();
}

}  // namespace

const PolicyInForce* Snapshot::Policy(int32_t id) const {
    const auto found = std::lower_bound(policies.begin(), policies.end(), id,
                                        [](const auto& entry, int32_t wanted) { return entry.first < wanted; });
    return found != policies.end() && found->first == id ? &found->second : nullptr;
}

std::unique_ptr<const Snapshot> MakeSnapshot(const PolicyCfg& store, const WeakPwdDic& dictionary,
                                             std::shared_ptr<const breach::TableSet> breachTables) {
    auto next = std::make_unique<Snapshot>();
    next->policies.reserve(store.policyMap.size());
    for (const auto& [id, record] : store.policyMap) {
        next->policies.emplace_back(id, PolicyInForce{record, StableText(record.specialchar), store.GetRulesByID(id),
                                                      MakeByteTable(record.specialchar)});
    }
    next->dictionary = dictionary;
    next->breachTables = std::move(breachTables);
    return next;
}

DataInForce::~DataInForce() { delete current_.load(std::memory_order_acquire); }

std::unique_ptr<const Snapshot> DataInForce::Publish(std::unique_ptr<const Snapshot> next) {
    const Snapshot* replaced = nullptr;
    {
        WriteSection write;
        replaced = current_.exchange(next.release(), std::memory_order_acq_rel);
    }
    return std::unique_ptr<const Snapshot>(replaced);
}

const Snapshot& DataInForce::Empty() {
    static const Snapshot empty;
    return empty;
}
