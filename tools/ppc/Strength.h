// How hard a generated password is to guess, for ppc gen --json.
#ifndef PPC_TOOL_STRENGTH_H
#define PPC_TOOL_STRENGTH_H

#include <string>

namespace ppc {

// log2 of the number of different passwords of `length` characters that
// PPC_GenCryptoPwdByPolicy can produce for a policy whose special-character
// text is `specialchar`; with `blankEndsAllowed` false, of those that
// neither begin nor end with a blank (ppc gen redraws the others).
// REQUIRES: length >= 6.
double CryptoStrengthBits(const std::string& specialchar, unsigned int length,
                          bool blankEndsAllowed);

// The reproducible generator's strength: the 32 bits of rand()'s seed at
// most, whatever the length, and none for anyone who has seen another
// password of the same process.
constexpr double kReproducibleStrengthBits = 32;

}  // namespace ppc

#endif  // PPC_TOOL_STRENGTH_H
