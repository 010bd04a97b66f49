// check, weak and strong: one password from the command line, or one per
// line from standard input, each answered on a line of its own.
#include <pwdpolicy.h>
#include <string.h>

#include <algorithm>
#include <functional>

#include "Commands.h"
#include "Component.h"
#include "PasswordInput.h"
#include "VerdictWords.h"

namespace ppc {
namespace {

// The answer about one password: how the tool should exit for it, and the
// text and JSON that say so. A non-OK `failure` means the component could
// not answer at all.
struct Answer {
    int status = kExitOk;
    std::string text;
    Json json;
    unsigned int failure = PPC_OK;
    std::string failureDetail;
};

Answer FailedAnswer(unsigned int code, std::string detail) {
    Answer answer;
    answer.status = kExitFailure;
    answer.failure = code;
    answer.failureDetail = std::move(detail);
    return answer;
}

using Judge = std::function<Answer(const char* pwd)>;

// Starts the component, then judges the password argument or every line of
// standard input. Stops at the first failure of the component; otherwise
// exits 1 when any password broke a rule.
int JudgeEach(const PasswordArgument& argument, const Output& out, const Judge& judge) {
    const unsigned int started = StartComponent(Needs::kPoliciesAndDictionary);
    if (started != PPC_OK) return out.Failure(started, StartFailureDetail(started));

    if (!argument.FromInput()) {
        if (const std::string refusal = RefusalOf(*argument.text); !refusal.empty()) return out.Refuse(refusal);
        Answer answer = judge(argument.text->c_str());
        if (answer.failure != PPC_OK) return out.Failure(answer.failure, answer.failureDetail);
        out.Answer(answer.text, answer.json);
        return answer.status;
    }

    PasswordReader reader;
    int status = kExitOk;
    while (const char* pwd = reader.Next()) {
        Answer answer = judge(pwd);
        explicit_bzero(const_cast<char*>(pwd), strlen(pwd));
        if (answer.failure != PPC_OK) return out.Failure(answer.failure, answer.failureDetail);
        // Lines are answered in order; JSON says which line explicitly.
        Json record{{"line", reader.LineNumber()}};
        record.update(answer.json);
        out.Answer(answer.text, record);
        status = std::max(status, answer.status);
    }
    return reader.Refusal().empty() ? status : out.Refuse(reader.Refusal());
}

const char* VerdictName(unsigned int verdict) {
    switch (verdict) {
        case PPC_MATCH: return "PPC_MATCH";
        case PPC_TOO_SHORT: return "PPC_TOO_SHORT";
        case PPC_TOO_LONG: return "PPC_TOO_LONG";
        case PPC_TOO_FEW_CLASSES: return "PPC_TOO_FEW_CLASSES";
        case PPC_BAD_SPECIAL_CHAR: return "PPC_BAD_SPECIAL_CHAR";
        default: return "PPC_UNKNOWN";
    }
}

std::string NoPolicyDetail(int id) { return "no policy " + std::to_string(id); }

// Judges `pwd` against policy `policyId`; the verdict and its words.
Answer MatchAnswer(const char* pwd, int policyId, unsigned int specialCheckInd) {
    unsigned int verdict = PPC_MATCH;
    const unsigned int code = PPC_IsMatchPolicy(pwd, policyId, specialCheckInd, &verdict);
    if (code == PPC_ERR_NO_POLICY) return FailedAnswer(code, NoPolicyDetail(policyId));
    if (code != PPC_OK) return FailedAnswer(code, "the policy check failed");
    PolicyView policy;
    ReadPolicy(policyId, &policy);
    const verdictwords::PolicyLimits limits{policy.id, policy.minlen, policy.maxlen, policy.minclass};
    Answer answer;
    answer.status = verdict == PPC_MATCH ? kExitOk : kExitRuleBroken;
    answer.text = verdictwords::VerdictText(verdict, limits, verdictwords::CountClasses(pwd));
    answer.json = Json{{"policy", policyId},
                       {"matches", verdict == PPC_MATCH},
                       {"verdict", verdict},
                       {"verdictName", VerdictName(verdict)},
                       {"message", answer.text}};
    return answer;
}

}  // namespace

int RunCheck(const CheckOptions& options, const Output& out) {
    const unsigned int specialCheckInd = options.specialCheck ? 1 : 0;
    return JudgeEach(options.password, out, [&](const char* pwd) {
        return MatchAnswer(pwd, options.policy, specialCheckInd);
    });
}

int RunWeak(const PasswordArgument& password, const Output& out) {
    return JudgeEach(password, out, [](const char* pwd) {
        unsigned int isWeak = 0;
        const unsigned int code = PPC_IsWeakPwd(pwd, &isWeak);
        if (code != PPC_OK) return FailedAnswer(code, "the dictionary search failed");
        Answer answer;
        answer.status = isWeak ? kExitRuleBroken : kExitOk;
        answer.text = isWeak ? std::string("weak: ") + verdictwords::kWeak : "not weak";
        answer.json = Json{{"weak", isWeak == 1}, {"message", answer.text}};
        return answer;
    });
}

int RunStrong(const PasswordArgument& password, const Output& out) {
    return JudgeEach(password, out, [](const char* pwd) {
        unsigned int isStrong = 0;
        const unsigned int code = PPC_IsStrongPwd(pwd, &isStrong);
        if (code == PPC_ERR_NO_POLICY) return FailedAnswer(code, NoPolicyDetail(0));
        if (code != PPC_OK) return FailedAnswer(code, "the strong check failed");
        Answer answer;
        answer.status = isStrong ? kExitOk : kExitRuleBroken;
        if (isStrong) {
            answer.text = "strong";
        } else {
            // Say why: the strong check is policy 0 without its maximum
            // length, then the dictionary.
            const Answer match = MatchAnswer(pwd, 0, 0);
            const bool lengthAndClassesPass = match.status == kExitOk ||
                                              match.json.value("verdict", 0u) == PPC_TOO_LONG;
            answer.text = lengthAndClassesPass ? std::string("not strong: ") + verdictwords::kWeak
                                               : "not strong: " + match.text;
        }
        answer.json = Json{{"strong", isStrong == 1}, {"message", answer.text}};
        return answer;
    });
}

}  // namespace ppc
