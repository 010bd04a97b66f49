#include "PasswordJudge.h"

#include <pwdpolicy.h>

#include "VerdictWords.h"

namespace pampwdpolicy {
namespace {

Judgement Unavailable(std::string reason, unsigned int code) {
    return Judgement{Judgement::kUnavailable, std::move(reason), "code " + std::to_string(code)};
}

Judgement NoPolicy(int policyId) {
    return Unavailable("no policy " + std::to_string(policyId) + " in " PPC_CONFIG_PATH,
                       PPC_ERR_NO_POLICY);
}

const char* VerdictLogCode(unsigned int verdict) {
    switch (verdict) {
        case PPC_TOO_SHORT: return "too short";
        case PPC_TOO_LONG: return "too long";
        case PPC_TOO_FEW_CLASSES: return "too few classes";
        case PPC_BAD_SPECIAL_CHAR: return "bad special character";
        default: return "unknown verdict";
    }
}

}  // namespace

Judgement PrepareJudge(int policyId) {
    // Without monitor and timer: a PAM host did not agree to give up SIGALRM.
    // A host that initialised the component itself keeps its own settings.
    const unsigned int started = PPC_Initialize(nullptr, 0, 1);
    if (started != PPC_OK && started != PPC_ERR_ALREADY_INITIALIZED) {
        return Unavailable("cannot load " PPC_CONFIG_PATH " or the dictionary it names", started);
    }
    int limits[5] = {};
    const char* special = nullptr;
    if (PPC_GetPolicy(policyId, limits, 5, &special) == PPC_ERR_NO_POLICY) return NoPolicy(policyId);
    return Judgement{};
}

Judgement JudgePassword(const char* pwd, int policyId) {
    Judgement prepared = PrepareJudge(policyId);
    if (prepared.outcome != Judgement::kAccepted) return prepared;

    unsigned int verdict = PPC_MATCH;
    const unsigned int matched = PPC_IsMatchPolicy(pwd, policyId, 1, &verdict);
    if (matched == PPC_ERR_NO_POLICY) return NoPolicy(policyId);
    if (matched != PPC_OK) return Unavailable("the policy check failed", matched);
    if (verdict != PPC_MATCH) {
        // The limits the verdict's words name.
        int limits[5] = {};
        const char* special = nullptr;
        PPC_GetPolicy(policyId, limits, 5, &special);
        const verdictwords::PolicyLimits policy{policyId, limits[0], limits[1], limits[2]};
        return Judgement{Judgement::kRefused,
                         verdictwords::VerdictText(verdict, policy, verdictwords::CountClasses(pwd)),
                         VerdictLogCode(verdict)};
    }

    unsigned int isWeak = 0;
    const unsigned int searched = PPC_IsWeakPwd(pwd, &isWeak);
    if (searched != PPC_OK) return Unavailable("the dictionary search failed", searched);
    if (isWeak == 1) return Judgement{Judgement::kRefused, verdictwords::kWeak, "weak"};
    return Judgement{};
}

}  // namespace pampwdpolicy
