// Passwords that LogHygiene_test looks for in its log: list each in kTestPasswords.
#ifndef PWDPOLICY_TESTS_SUPPORT_TESTPASSWORDS_H
#define PWDPOLICY_TESTS_SUPPORT_TESTPASSWORDS_H

namespace testpasswords {

// Against a policy of minlen 8, maxlen 32, minclass 3 and the usual special set:
constexpr const char kStrong[] = "Kv9#Lumen-Canary4";                     // matches
constexpr const char kShort[] = "Kq7#z";                                 // 5 bytes, four classes
constexpr const char kOneClass[] = "canarylumenquokka";                  // one class
constexpr const char kBlanks[] = "Canary Lumen 77x!";                    // spaces
constexpr const char kTooLong[] = "Xx1!LongCanaryLumenQuokkaPangolin-88";  // over 32 bytes
constexpr const char kWeak[] = "Quokka!Canary2024";                      // in the test dictionaries

constexpr const char* kTestPasswords[] = {kStrong, kShort, kOneClass, kBlanks, kTooLong, kWeak};

}  // namespace testpasswords

#endif  // PWDPOLICY_TESTS_SUPPORT_TESTPASSWORDS_H
