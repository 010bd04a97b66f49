// policy and policies: the limits and special sets in force.
#include <pwdpolicy.h>

#include "Commands.h"
#include "Component.h"
#include "PolicyTable.h"

namespace ppc {

int RunPolicy(int id, const Output& out) {
    const unsigned int started = StartComponent(Needs::kPolicies);
    if (started != PPC_OK) return out.Failure(started, StartFailureDetail(started));
    PolicyView policy;
    if (ReadPolicy(id, &policy) != PPC_OK) {
        return out.Failure(PPC_ERR_NO_POLICY, "no policy " + std::to_string(id));
    }
    out.Answer(PolicyDetail(policy), policy.ToJson());
    return kExitOk;
}

int RunPolicies(const Output& out) {
    const unsigned int started = StartComponent(Needs::kPolicies);
    if (started != PPC_OK) return out.Failure(started, StartFailureDetail(started));

    std::vector<PolicyView> policies;
    for (int id : PolicyIds()) {
        PolicyView policy;
        if (ReadPolicy(id, &policy) == PPC_OK) policies.push_back(policy);
    }
    if (out.IsJson()) {
        Json list = Json::array();
        for (const PolicyView& policy : policies) list.push_back(policy.ToJson());
        out.Record(Json{{"policies", list}});
    } else {
        std::string table = PolicyTable(policies);
        table.pop_back();  // Text adds the last newline
        out.Text(table);
    }
    return kExitOk;
}

}  // namespace ppc
