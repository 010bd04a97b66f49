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
    // The reasons' names for the system log ("PPC_REASON_TOO_SHORT
    // PPC_REASON_WEAK"), or the failing result code; empty when accepted.
    std::string logCode;
};

// Loads the configuration and the dictionary for this process, without file
// monitor and timer (the host's SIGALRM stays its own), and checks that
// policy `policyId` exists. kAccepted when both hold.
Judgement PrepareJudge(int policyId);

// Who the new password is for, from the password database and the stack.
struct Account {
    std::string user;      // the login name; empty when unknown
    std::string gecos;     // the GECOS field: full name, room, phones
    const char* oldPassword = nullptr;  // when the stack has it
};

// The account of `user` in the password database (getpwnam_r); only the
// name when it has no entry there.
Account LookUpAccount(const char* user);

// Judges `pwd` against policy `policyId` with the special-character check,
// the dictionary, the breach table and, as far as the policy asks, the
// account's names and old password; every reason, in words. Calls
// PrepareJudge first.
Judgement JudgePassword(const char* pwd, int policyId, const Account& account);

}  // namespace pampwdpolicy

#endif  // PWDPOLICY_PAM_PASSWORDJUDGE_H
