// check, weak and strong: one password from the command line, or one per
// line from standard input, each answered on a line of its own.
#include <pwdpolicy.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <iostream>
#include <vector>

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
        case PPC_INVALID_UTF8: return "PPC_INVALID_UTF8";
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

// The longest old password read from a descriptor; longer is refused.
constexpr size_t kOldPasswordMax = 4096;

// The first line of `fd` without its line end, or the reason it cannot be
// the old password. The buffer is wiped.
bool ReadOldPassword(int fd, std::string* old, std::string* problem) {
    char buffer[kOldPasswordMax + 2];
    size_t used = 0;
    // A byte at a time: what follows the line stays unread for its owner.
    while (used < sizeof buffer) {
        const ssize_t got = read(fd, buffer + used, 1);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            *problem = std::string("cannot read the old password: ") + strerror(errno);
            return false;
        }
        if (got == 0 || buffer[used] == '\n') break;
        ++used;
    }
    if (used > 0 && buffer[used - 1] == '\r') --used;
    const bool fits = used <= kOldPasswordMax && memchr(buffer, '\0', used) == nullptr;
    if (fits) old->assign(buffer, used);
    explicit_bzero(buffer, sizeof buffer);
    if (!fits) *problem = "the old password is longer than 4096 bytes or holds a NUL byte";
    return fits;
}

// Judges `pwd` with every rule and `context`; every reason in words.
Answer JudgeAnswer(const char* pwd, int policyId, unsigned int specialCheckInd, const PPC_PasswordContext& context) {
    PPC_Judgement judgement;
    const unsigned int code = PPC_JudgePassword(pwd, policyId, specialCheckInd, &context, &judgement);
    if (code == PPC_ERR_NO_POLICY) return FailedAnswer(code, NoPolicyDetail(policyId));
    if (code != PPC_OK) return FailedAnswer(code, "the policy check failed");
    PolicyView policy;
    ReadPolicy(policyId, &policy);
    const verdictwords::PolicyLimits limits{policy.id, policy.minlen, policy.maxlen, policy.minclass};
    Answer answer;
    answer.status = judgement.reasonCount == 0 ? kExitOk : kExitRuleBroken;
    Json codes = Json::array(), names = Json::array(), messages = Json::array();
    for (unsigned int i = 0; i < judgement.reasonCount; ++i) {
        const unsigned int reason = judgement.reasons[i];
        const std::string text = verdictwords::ReasonText(reason, limits, verdictwords::CountClasses(pwd));
        answer.text += (i == 0 ? "" : "; ") + text;
        codes.push_back(reason);
        names.push_back(verdictwords::ReasonName(reason));
        messages.push_back(text);
    }
    if (judgement.reasonCount == 0) answer.text = verdictwords::VerdictText(PPC_MATCH, limits, 0);
    answer.json = Json{{"policy", policyId},
                       {"matches", judgement.verdict == PPC_MATCH},
                       {"verdict", judgement.verdict},
                       {"verdictName", VerdictName(judgement.verdict)},
                       {"passes", judgement.reasonCount == 0},
                       {"reasons", codes},
                       {"reasonNames", names},
                       {"messages", messages},
                       {"message", answer.text}};
    return answer;
}

}  // namespace

int RunCheck(const CheckOptions& options, const Output& out) {
    const unsigned int specialCheckInd = options.specialCheck ? 1 : 0;
    if (!options.Judging()) {
        return JudgeEach(options.password, out, [&](const char* pwd) {
            return MatchAnswer(pwd, options.policy, specialCheckInd);
        });
    }
    struct WipedString {
        std::string text;
        ~WipedString() { explicit_bzero(text.data(), text.size()); }
    } old;
    PPC_PasswordContext context{};
    if (options.oldPasswordFd) {
        if (*options.oldPasswordFd == 0 && options.password.FromInput()) {
            std::cerr << "ppc: --old-password-fd 0 needs the new password as an argument: both cannot "
                         "come from standard input\n";
            return kExitUsage;
        }
        std::string problem;
        if (!ReadOldPassword(*options.oldPasswordFd, &old.text, &problem)) {
            std::cerr << "ppc: " << problem << '\n';
            return kExitUsage;
        }
        context.oldPassword = old.text.c_str();
    }
    if (options.user) context.userName = options.user->c_str();
    if (options.fullName) context.fullName = options.fullName->c_str();
    std::vector<const char*> words;
    for (const std::string& word : options.contextWords) words.push_back(word.c_str());
    context.words = words.data();
    context.wordCount = static_cast<unsigned int>(words.size());
    return JudgeEach(options.password, out, [&](const char* pwd) {
        return JudgeAnswer(pwd, options.policy, specialCheckInd, context);
    });
}

int RunWeak(const PasswordArgument& password, const Output& out) {
    return JudgeEach(password, out, [](const char* pwd) {
        unsigned int isWeak = 0;
        const unsigned int code = PPC_IsWeakPwd(pwd, &isWeak);
        if (code != PPC_OK) return FailedAnswer(code, "the dictionary search failed");
        Answer answer;
        answer.status = isWeak ? kExitRuleBroken : kExitOk;
        answer.text = isWeak ? std::string("weak: ") + verdictwords::Tr(verdictwords::kWeak) : "not weak";
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
            answer.text = "not strong: " +
                          (lengthAndClassesPass ? std::string(verdictwords::Tr(verdictwords::kWeak)) : match.text);
        }
        answer.json = Json{{"strong", isStrong == 1}, {"message", answer.text}};
        return answer;
    });
}

}  // namespace ppc
