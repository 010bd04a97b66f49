// pam_pwdpolicy: the password group's check that a new password satisfies a
// numbered policy of the machine's PwdPolicy configuration and is not weak.
//
// PAM calls pam_sm_chauthtok twice per change. The preliminary pass loads
// the configuration and refuses at once, before anyone types a password,
// when the policy cannot be applied. The update pass asks for the new
// password (twice) or takes the one a previous module set, judges it, and
// on a refusal clears it so that no later module in the stack can store it.
#include <security/pam_ext.h>
#include <security/pam_modules.h>
#include <pwdpolicy.h>
#include <syslog.h>
#include <unistd.h>

#include <cstdio>
#include <new>
#include <string>

#include "ModuleOptions.h"
#include "PasswordJudge.h"
#include "VerdictWords.h"

namespace pampwdpolicy {
namespace {

// TRANSLATORS: before the reasons a new password is refused for
constexpr const char kRefusedPrefix[] = PPC_N_("BAD PASSWORD: ");
// TRANSLATORS: before why the policy cannot be applied at all
constexpr const char kUnavailablePrefix[] = PPC_N_("Password policy unavailable: ");

const char* UserNameOrNull(pam_handle_t* pamh) {
    const void* user = nullptr;
    if (pam_get_item(pamh, PAM_USER, &user) != PAM_SUCCESS) return nullptr;
    return static_cast<const char*>(user);
}

const char* UserName(pam_handle_t* pamh) {
    const char* user = UserNameOrNull(pamh);
    return user != nullptr ? user : "(unknown)";
}

// Whether a password the policy refuses is only reported: enforcing=0, or
// root setting a password without enforce_for_root. Root is told what is
// wrong and decides, as with the peers' modules; a mistyped policy must not
// stop an administrator from recovering an account.
bool WarnOnly(const ModuleOptions& options) {
    return !options.enforcing || (getuid() == 0 && !options.enforceForRoot);
}

std::string MessageFor(const Judgement& judgement) {
    return verdictwords::Tr(judgement.outcome == Judgement::kRefused ? kRefusedPrefix : kUnavailablePrefix) +
           judgement.reason;
}

// Problems with the module's own options, as a Judgement.
Judgement CheckOptions(pam_handle_t* pamh, const OptionProblems& problems, bool logThem) {
    if (logThem) {
        for (const std::string& unknown : problems.unknown) {
            pam_syslog(pamh, LOG_WARNING, "ignoring unknown option %s", unknown.c_str());
        }
    }
    if (problems.malformed.empty()) return Judgement{};
    std::string list;
    for (const std::string& option : problems.malformed) list += (list.empty() ? "" : " ") + option;
    return Judgement{Judgement::kUnavailable, "bad module option " + list, "options"};
}

// Reports a policy that cannot be applied: always to the system log, to the
// user unless only a warning is due and PAM_SILENT asks for quiet.
void ReportUnavailable(pam_handle_t* pamh, int flags, const Judgement& judgement, bool warnOnly) {
    pam_syslog(pamh, LOG_ERR, "policy unavailable (%s): %s", judgement.logCode.c_str(),
               judgement.reason.c_str());
    if (!warnOnly || (flags & PAM_SILENT) == 0) pam_error(pamh, "%s", MessageFor(judgement).c_str());
}

// The component's own account of its last load, note by note: what each
// file gave, and each line, key or file it ignored or refused, and why.
void LogLoadReport(pam_handle_t* pamh) {
    PPC_VisitLoadReport(
        [](const PPC_LoadNote* note, void* handle) {
            char where[24] = "";
            if (note->line > 0) snprintf(where, sizeof where, " line %u", note->line);
            pam_syslog(static_cast<pam_handle_t*>(handle), LOG_DEBUG, "load: %s%s: %s", note->file, where,
                       note->message);
        },
        pamh);
}

int PreliminaryCheck(pam_handle_t* pamh, int flags, const ModuleOptions& options,
                     const OptionProblems& problems) {
    Judgement judgement = CheckOptions(pamh, problems, true);
    if (judgement.outcome == Judgement::kAccepted) {
        judgement = PrepareJudge(options.policy);
        if (options.debug) LogLoadReport(pamh);
    }
    if (judgement.outcome == Judgement::kAccepted) return PAM_SUCCESS;
    // Warn-only callers hear about it once, in the update pass.
    if (WarnOnly(options)) return PAM_SUCCESS;
    ReportUnavailable(pamh, flags, judgement, false);
    return PAM_TRY_AGAIN;
}

int UpdateAuthtok(pam_handle_t* pamh, int flags, const ModuleOptions& options,
                  const OptionProblems& problems) {
    const bool warnOnly = WarnOnly(options);
    const Judgement optionsJudgement = CheckOptions(pamh, problems, false);
    if (optionsJudgement.outcome != Judgement::kAccepted) {
        ReportUnavailable(pamh, flags, optionsJudgement, warnOnly);
        if (warnOnly) return PAM_SUCCESS;
        pam_set_item(pamh, PAM_AUTHTOK, nullptr);
        return PAM_AUTHTOK_ERR;
    }

    // A password a previous module set cannot be asked for again.
    const int attempts = options.useAuthtok ? 1 : options.retry;
    for (int attempt = 1; attempt <= attempts; ++attempt) {
        // Prompts "New password:" and "Retype new password:" unless a
        // previous module set one; with use_authtok it insists on that one.
        const char* pwd = nullptr;
        const int got = pam_get_authtok(pamh, PAM_AUTHTOK, &pwd, nullptr);
        if (got == PAM_TRY_AGAIN) continue;  // the two entries differed; PAM said so
        if (got != PAM_SUCCESS || pwd == nullptr) {
            if (options.debug) pam_syslog(pamh, LOG_DEBUG, "no new password: %s", pam_strerror(pamh, got));
            return got == PAM_SUCCESS ? PAM_AUTHTOK_ERR : got;
        }

        // The old password, when a module before this one obtained it; an
        // empty one (an account without a password) compares with nothing.
        Account account = LookUpAccount(UserNameOrNull(pamh));
        const void* old = nullptr;
        if (pam_get_item(pamh, PAM_OLDAUTHTOK, &old) == PAM_SUCCESS && old != nullptr &&
            *static_cast<const char*>(old) != '\0') {
            account.oldPassword = static_cast<const char*>(old);
        }
        const Judgement judgement = JudgePassword(pwd, options.policy, account);
        if (judgement.outcome == Judgement::kAccepted) {
            if (options.debug) {
                pam_syslog(pamh, LOG_DEBUG, "new password for %s passes policy %d", UserName(pamh),
                           options.policy);
            }
            return PAM_SUCCESS;
        }
        if (judgement.outcome == Judgement::kUnavailable) {
            ReportUnavailable(pamh, flags, judgement, warnOnly);
            if (warnOnly) return PAM_SUCCESS;
            pam_set_item(pamh, PAM_AUTHTOK, nullptr);
            return PAM_AUTHTOK_ERR;  // asking again would not help
        }
        if (options.debug) {
            pam_syslog(pamh, LOG_DEBUG, "new password for %s refused by policy %d: %s%s",
                       UserName(pamh), options.policy, judgement.logCode.c_str(),
                       warnOnly ? " (accepted: warning only)" : "");
        }
        if (warnOnly) {
            if ((flags & PAM_SILENT) == 0) pam_error(pamh, "%s", MessageFor(judgement).c_str());
            return PAM_SUCCESS;
        }
        pam_error(pamh, "%s", MessageFor(judgement).c_str());
        // Forget it, so the next attempt prompts and no later module stores it.
        pam_set_item(pamh, PAM_AUTHTOK, nullptr);
    }
    return PAM_AUTHTOK_ERR;
}

}  // namespace
}  // namespace pampwdpolicy

extern "C" __attribute__((visibility("default"))) int pam_sm_chauthtok(
    pam_handle_t* pamh, int flags, int argc, const char** argv) {
    using namespace pampwdpolicy;
    try {
        // The host set the locale (LC_MESSAGES); the module only says where
        // its own catalogue is.
        verdictwords::BindMessages();
        ModuleOptions options;
        const OptionProblems problems = ParseModuleOptions(argc, argv, &options);
        if ((flags & PAM_PRELIM_CHECK) != 0) return PreliminaryCheck(pamh, flags, options, problems);
        if ((flags & PAM_UPDATE_AUTHTOK) != 0) return UpdateAuthtok(pamh, flags, options, problems);
        return PAM_SERVICE_ERR;  // libpam always sets one of the two
    } catch (const std::bad_alloc&) {
        pam_set_item(pamh, PAM_AUTHTOK, nullptr);
        return PAM_BUF_ERR;
    } catch (...) {
        pam_set_item(pamh, PAM_AUTHTOK, nullptr);
        return PAM_SERVICE_ERR;
    }
}
