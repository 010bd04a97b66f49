// The options of pam_pwdpolicy, as a service file gives them after the
// module's name.
#ifndef PWDPOLICY_PAM_MODULEOPTIONS_H
#define PWDPOLICY_PAM_MODULEOPTIONS_H

#include <string>
#include <vector>

namespace pampwdpolicy {

struct ModuleOptions {
    int policy = 0;               // policy=N: the policy id passwords are judged against
    int retry = 1;                // retry=N: attempts at a new password before giving up
    bool enforceForRoot = false;  // enforce_for_root: refuse root's bad passwords too
    bool enforcing = true;        // enforcing=0: report bad passwords, accept them all the same
    bool useAuthtok = false;      // use_authtok: judge the password a previous module set
    bool debug = false;           // debug: say what was decided in the system log
};

// What ParseModuleOptions found besides the options it set.
struct OptionProblems {
    // Known options with a value they cannot take ("policy=x", "retry=0").
    // The module refuses to run with them rather than guess.
    std::vector<std::string> malformed;
    // Options the module does not know; logged and otherwise ignored, as
    // other modules do, so a stack shared across versions keeps working.
    std::vector<std::string> unknown;
};

// Parses argv[0..argc) into *options (defaults where an option is absent;
// a later occurrence wins). Returns the problems found; *options holds the
// valid options in any case.
OptionProblems ParseModuleOptions(int argc, const char** argv, ModuleOptions* options);

}  // namespace pampwdpolicy

#endif  // PWDPOLICY_PAM_MODULEOPTIONS_H
