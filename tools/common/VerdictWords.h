// The words for the component's verdicts and reasons, shared by ppc and
// pam_pwdpolicy so that an operator reads the same reason for a password
// whichever of the two judged it, in the language of LC_MESSAGES. Header-only: both link the library through its public header
// alone, and neither should carry a copy of the other's text.
#ifndef PWDPOLICY_TOOLS_COMMON_VERDICTWORDS_H
#define PWDPOLICY_TOOLS_COMMON_VERDICTWORDS_H

#include <libintl.h>
#include <pwdpolicy.h>
#include <stdlib.h>

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

namespace verdictwords {

// The limits of a policy that a verdict's words name.
struct PolicyLimits {
    int id = 0;
    int minlen = 0;
    int maxlen = 0;
    int minclass = 0;
};

// The message catalogue of ppc and pam_pwdpolicy (po/pwdpolicy.pot).
constexpr const char kTextDomain[] = "pwdpolicy";

// Points the catalogue at the installed translations, or at
// $PWDPOLICY_LOCALEDIR where the process is not privileged (secure_getenv:
// a setuid passwd never reads it), so that tests find the build's.
inline void BindMessages() {
    const char* dir = secure_getenv("PWDPOLICY_LOCALEDIR");
    bindtextdomain(kTextDomain, dir != nullptr ? dir : PWDPOLICY_LOCALEDIR);
    bind_textdomain_codeset(kTextDomain, "UTF-8");
}

// The translation of `msgid` in the caller's language (LC_MESSAGES), or
// `msgid` itself.
__attribute__((format_arg(1))) inline const char* Tr(const char* msgid) { return dgettext(kTextDomain, msgid); }
// Marks a text for the catalogue without translating it where it stands.
#define PPC_N_(text) text

// `format` (a translated format) filled in; msgfmt --check-format keeps
// each translation's conversions those of its key.
__attribute__((format(printf, 1, 2))) inline std::string Format(const char* format, ...) {
    char text[256];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    return text;
}

// Why PPC_IsWeakPwd answered 1.
// TRANSLATORS: reason 8, PPC_REASON_WEAK
constexpr const char kWeak[] = PPC_N_("in the weak-password dictionary");

// The number of character classes in `pwd`, classifying each byte by value
// alone as the component does: upper, lower, digit, everything else.
inline int CountClasses(const char* pwd) {
    bool upper = false, lower = false, digit = false, special = false;
    for (const unsigned char* at = reinterpret_cast<const unsigned char*>(pwd); *at; ++at) {
        if (*at >= 'A' && *at <= 'Z') {
            upper = true;
        } else if (*at >= 'a' && *at <= 'z') {
            lower = true;
        } else if (*at >= '0' && *at <= '9') {
            digit = true;
        } else {
            special = true;
        }
    }
    return upper + lower + digit + special;
}

// A reason of PPC_JudgePassword (and so a verdict of PPC_IsMatchPolicy,
// under the same number) in the caller's language, with the limit that the
// password missed; `classes` is the password's CountClasses. The English
// texts are the catalogue's keys: change one only with its translations.
inline std::string ReasonText(unsigned int reason, const PolicyLimits& policy, int classes) {
    switch (reason) {
        case PPC_REASON_TOO_SHORT:
            // TRANSLATORS: reason 1, PPC_REASON_TOO_SHORT
            return Format(Tr("shorter than the minimum length %d"), policy.minlen);
        case PPC_REASON_TOO_LONG:
            // TRANSLATORS: reason 2, PPC_REASON_TOO_LONG
            return Format(Tr("longer than the maximum length %d"), policy.maxlen);
        case PPC_REASON_TOO_FEW_CLASSES: {
            // TRANSLATORS: reason 3, PPC_REASON_TOO_FEW_CLASSES
            return Format(dngettext(kTextDomain, "has %d character class, policy requires %d",
                                    "has %d character classes, policy requires %d",
                                    static_cast<unsigned long>(classes)),
                          classes, policy.minclass);
        }
        case PPC_REASON_BAD_SPECIAL_CHAR:
            // TRANSLATORS: reason 4, PPC_REASON_BAD_SPECIAL_CHAR
            return Tr("contains a character not in the policy's special set");
        case PPC_REASON_INVALID_UTF8:
            // TRANSLATORS: reason 5, PPC_REASON_INVALID_UTF8
            return Tr("is not valid UTF-8 text");
        case PPC_REASON_REPEATED_CHARS:
            // TRANSLATORS: reason 6, PPC_REASON_REPEATED_CHARS
            return Tr("repeats one character too many times in a row");
        case PPC_REASON_SEQUENTIAL_CHARS:
            // TRANSLATORS: reason 7, PPC_REASON_SEQUENTIAL_CHARS
            return Tr("has too long a run of consecutive characters, such as abcd or 4321");
        case PPC_REASON_WEAK:
            return Tr(kWeak);
        case PPC_REASON_BREACHED:
            // TRANSLATORS: reason 9, PPC_REASON_BREACHED
            return Tr("in a list of passwords exposed in data breaches");
        case PPC_REASON_EQUALS_CONTEXT:
            // TRANSLATORS: reason 10, PPC_REASON_EQUALS_CONTEXT
            return Tr("is the user name, a part of the user's name or a context word, or one reversed");
        case PPC_REASON_CONTAINS_CONTEXT:
            // TRANSLATORS: reason 11, PPC_REASON_CONTAINS_CONTEXT
            return Tr("contains the user name, a part of the user's name or a context word");
        case PPC_REASON_EQUALS_OLD:
            // TRANSLATORS: reason 12, PPC_REASON_EQUALS_OLD
            return Tr("is the old password, reversed or with its case changed");
        case PPC_REASON_TOO_CLOSE_TO_OLD:
            // TRANSLATORS: reason 13, PPC_REASON_TOO_CLOSE_TO_OLD
            return Tr("differs from the old password in too few characters");
        default:
            return Format(Tr("unknown reason %d"), static_cast<int>(reason));
    }
}

// The header's name of a reason ("PPC_REASON_TOO_SHORT").
inline const char* ReasonName(unsigned int reason) {
    static const char* const kNames[] = {
        "PPC_MATCH",                   "PPC_REASON_TOO_SHORT",        "PPC_REASON_TOO_LONG",
        "PPC_REASON_TOO_FEW_CLASSES",  "PPC_REASON_BAD_SPECIAL_CHAR", "PPC_REASON_INVALID_UTF8",
        "PPC_REASON_REPEATED_CHARS",   "PPC_REASON_SEQUENTIAL_CHARS", "PPC_REASON_WEAK",
        "PPC_REASON_BREACHED",         "PPC_REASON_EQUALS_CONTEXT",   "PPC_REASON_CONTAINS_CONTEXT",
        "PPC_REASON_EQUALS_OLD",       "PPC_REASON_TOO_CLOSE_TO_OLD"};
    return reason < sizeof kNames / sizeof kNames[0] ? kNames[reason] : "PPC_UNKNOWN";
}

// A verdict of PPC_IsMatchPolicy in words, with the limit that the password
// missed; `classes` is the password's CountClasses.
inline std::string VerdictText(unsigned int verdict, const PolicyLimits& policy, int classes) {
    // TRANSLATORS: verdict 0, PPC_MATCH; %d is the policy's id
    if (verdict == PPC_MATCH) return Format(Tr("matches policy %d"), policy.id);
    return ReasonText(verdict, policy, classes);
}

}  // namespace verdictwords

#endif  // PWDPOLICY_TOOLS_COMMON_VERDICTWORDS_H
