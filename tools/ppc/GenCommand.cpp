// gen: passwords from the component's generator, one a line.
#include <pwdpolicy.h>
#include <string.h>

#include <cstdlib>
#include <memory>

#include "Commands.h"
#include "Component.h"

namespace ppc {
namespace {

// Wipes and frees a generated password.
struct WipeAndFree {
    void operator()(char* pwd) const {
        explicit_bzero(pwd, strlen(pwd));
        free(pwd);
    }
};
using GeneratedPassword = std::unique_ptr<char, WipeAndFree>;

}  // namespace

int RunGen(const GenOptions& options, const Output& out) {
    const unsigned int started = StartComponent(Needs::kPolicies);
    if (started != PPC_OK) return out.Failure(started, StartFailureDetail(started));

    PolicyView policy;
    if (ReadPolicy(options.policy, &policy) != PPC_OK) {
        return out.Failure(PPC_ERR_NO_POLICY, "no policy " + std::to_string(options.policy));
    }
    if (options.length && static_cast<int>(*options.length) > policy.maxlen) {
        out.Remark("note: " + std::to_string(*options.length) + " is above policy " +
                   std::to_string(policy.id) + "'s maximum length " +
                   std::to_string(policy.maxlen) + "; these passwords will not match it");
    }

    Json passwords = Json::array();
    for (unsigned int i = 0; i < options.count; ++i) {
        char* raw = nullptr;
        // 0 asks the component for the policy's minimum length.
        unsigned int length = options.length.value_or(0);
        const unsigned int code = PPC_GenSecPwdByPolicy(options.policy, &raw, &length);
        if (code != PPC_OK) return out.Failure(code, "password generation failed");
        GeneratedPassword pwd(raw);
        out.Text(pwd.get());
        if (out.IsJson()) passwords.push_back(pwd.get());
    }
    out.Record(Json{{"policy", options.policy}, {"passwords", passwords}});
    return kExitOk;
}

}  // namespace ppc
