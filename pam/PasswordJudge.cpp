#include "PasswordJudge.h"

#include <pwd.h>
#include <pwdpolicy.h>
#include <string.h>
#include <unistd.h>

#include <vector>

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

Account LookUpAccount(const char* user) {
    Account account;
    if (user == nullptr) return account;
    account.user = user;
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwnam_r(user, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        found->pw_gecos != nullptr) {
        account.gecos = found->pw_gecos;
    }
    return account;
}

Judgement JudgePassword(const char* pwd, int policyId, const Account& account) {
    Judgement prepared = PrepareJudge(policyId);
    if (prepared.outcome != Judgement::kAccepted) return prepared;

    PPC_PasswordContext context{};
    if (!account.user.empty()) context.userName = account.user.c_str();
    if (!account.gecos.empty()) context.fullName = account.gecos.c_str();
    context.oldPassword = account.oldPassword;
    PPC_Judgement judgement;
    const unsigned int judged = PPC_JudgePassword(pwd, policyId, 1, &context, &judgement);
    if (judged == PPC_ERR_NO_POLICY) return NoPolicy(policyId);
    if (judged != PPC_OK) return Unavailable("the policy check failed", judged);
    if (judgement.reasonCount == 0) return Judgement{};

    // The limits the reasons' words name.
    int limits[5] = {};
    const char* special = nullptr;
    PPC_GetPolicy(policyId, limits, 5, &special);
    const verdictwords::PolicyLimits policy{policyId, limits[0], limits[1], limits[2]};
    Judgement refused{Judgement::kRefused, "", ""};
    for (unsigned int i = 0; i < judgement.reasonCount; ++i) {
        const unsigned int reason = judgement.reasons[i];
        refused.reason += (i == 0 ? "" : "; ") +
                          verdictwords::ReasonText(reason, policy, verdictwords::CountClasses(pwd));
        refused.logCode += (i == 0 ? "" : " ") + std::string(verdictwords::ReasonName(reason));
    }
    return refused;
}

}  // namespace pampwdpolicy
