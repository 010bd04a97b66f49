// Passwords the test suites hand to the component, made distinctive so that
// a scan of the test logs (tests/hardening/scan-logs.sh) can tell that none
// of them was ever written to a log. Use these instead of ad-hoc literals
// when a test passes a password that a leak should be caught for.
//
// The scan reads this file: keep each password a `constexpr const char
// kName[] = "...";` line of its own, without backslashes or double quotes
// in the text, and list it in kTestPasswords.
#ifndef PWDPOLICY_TESTS_SUPPORT_TESTPASSWORDS_H
#define PWDPOLICY_TESTS_SUPPORT_TESTPASSWORDS_H

namespace testpasswords {

// Matches a policy of minlen 8, maxlen 32, minclass 3 with the usual
// special set.
constexpr const char kStrong[] = "Kv9#Lumen-Canary4";
// Too short for such a policy (5 bytes, four classes).
constexpr const char kShort[] = "Kq7#z";
// Long enough, one class only.
constexpr const char kOneClass[] = "canarylumenquokka";
// Holds spaces, which a special set usually lacks.
constexpr const char kBlanks[] = "Canary Lumen 77x!";
// Longer than 32 bytes, all four classes.
constexpr const char kTooLong[] = "Xx1!LongCanaryLumenQuokkaPangolin-88";
// An entry of the test dictionaries, so it is reported weak.
constexpr const char kWeak[] = "Quokka!Canary2024";

// Every password above, for the scan and for loops over them.
constexpr const char* kTestPasswords[] = {kStrong, kShort, kOneClass, kBlanks, kTooLong, kWeak};

}  // namespace testpasswords

#endif  // PWDPOLICY_TESTS_SUPPORT_TESTPASSWORDS_H
