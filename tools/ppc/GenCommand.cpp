// gen: passwords from the component's generators, one a line.
#include <pwdpolicy.h>
#include <string.h>

#include <cmath>
#include <cstdlib>
#include <iostream>
#include <memory>

#include "Commands.h"
#include "Component.h"
#include "Strength.h"

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

// Redraws per password before giving up on avoiding blank ends. A blank is
// one special character among many, and at least one of every four drawn
// characters is not special, so a redraw is needed with probability below
// one half and 200 in a row do not happen; the bound only keeps a broken
// library from hanging the tool.
constexpr int kMaxDraws = 200;

bool HasBlankEnd(const char* pwd, unsigned int length) {
    return length > 0 && (pwd[0] == ' ' || pwd[length - 1] == ' ');
}

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
    // Said in JSON mode too: standard error is not part of the answer.
    if (options.reproducible) {
        std::cerr << "ppc: warning: --reproducible passwords come from rand() and are "
                     "predictable: one of them reveals every other one this run makes. "
                     "Do not give them to people or accounts.\n";
    }
    auto generate = options.reproducible ? PPC_GenSecPwdByPolicy : PPC_GenCryptoPwdByPolicy;

    Json passwords = Json::array();
    unsigned int generatedLength = 0;
    for (unsigned int i = 0; i < options.count; ++i) {
        GeneratedPassword pwd;
        for (int draw = 0; draw < kMaxDraws; ++draw) {
            char* raw = nullptr;
            // 0 asks the component for the policy's minimum length.
            unsigned int length = options.length.value_or(0);
            const unsigned int code = generate(options.policy, &raw, &length);
            if (code != PPC_OK) return out.Failure(code, "password generation failed");
            pwd.reset(raw);
            generatedLength = length;
            if (options.allowBlankEnds || !HasBlankEnd(raw, length)) break;
            pwd.reset();
        }
        if (!pwd) {
            std::cerr << "ppc: no password without a blank at either end in " << kMaxDraws
                      << " draws\n";
            return kExitFailure;
        }
        out.Text(pwd.get());
        if (out.IsJson()) passwords.push_back(pwd.get());
    }
    const double bits =
        options.reproducible
            ? kReproducibleStrengthBits
            : CryptoStrengthBits(policy.specialchar, generatedLength, options.allowBlankEnds);
    out.Record(Json{{"policy", options.policy},
                    {"generator", options.reproducible ? "reproducible" : "kernel"},
                    {"strength_bits", std::round(bits * 100) / 100},
                    {"passwords", passwords}});
    return kExitOk;
}

}  // namespace ppc
