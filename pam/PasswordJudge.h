// Judges a new password with the component's public interface: the policy,
// then the weak-password dictionary (which also answers for a breach table
// when the configuration names one).
#ifndef PWDPOLICY_PAM_PASSWORDJUDGE_H
#define PWDPOLICY_PAM_PASSWORDJUDGE_H

#include <string>

namespace pampwdpolicy {

struct Judgement {
    enum Outcome {
        kAccepted,
        kRefused,      // the password breaks the policy or is weak
        kUnavailable,  // the policy cannot be applied: no configuration, no such policy
    };
    Outcome outcome = kAccepted;
    // Why, in words, for kRefused and kUnavailable. Never holds the password.
    std::string reason;
    // The verdict's name for the system log ("too short", "weak"), or the
    // failing result code; empty when accepted.
    std::string logCode;
};

// Loads the configuration and the dictionary for this process, without file
// monitor and timer (the host's SIGALRM stays its own), and checks that
// policy `policyId` exists. kAccepted when both hold.
Judgement PrepareJudge(int policyId);

// Judges `pwd` against policy `policyId` with the special-character check,
// then against the dictionary. Calls PrepareJudge first.
Judgement JudgePassword(const char* pwd, int policyId);

}  // namespace pampwdpolicy

#endif  // PWDPOLICY_PAM_PASSWORDJUDGE_H
