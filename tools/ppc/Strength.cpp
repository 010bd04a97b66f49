#include "Strength.h"

#include <cmath>
#include <numeric>
#include <vector>

namespace ppc {

// The library draws from an alphabet of four disjoint classes: 26 lower-case
// letters, 26 upper-case letters, 10 digits, and the s distinct bytes of the
// special set that are not ASCII letters or digits (a class only when s > 0).
// With A = 62 + s characters, the passwords it can produce are the strings
// of L characters of the alphabet that hold at least one of each class. The
// guarantee is why this is not L * log2(A): strings that miss a class are
// never produced. Inclusion-exclusion over the set T of classes a string
// avoids counts them:
//
//   N = sum over T of (-1)^|T| * a_T^L,   a_T = A - (characters of T's classes)
//
// ppc gen also redraws a password with a blank at either end unless asked
// not to; then the first and last characters come from the a_T characters
// other than the blank (e_T = a_T - 1 when the blank is among them):
//
//   N = sum over T of (-1)^|T| * e_T^2 * a_T^(L-2)
//
// The result is log2(N) = L * log2(A) + log2(sum of the terms divided by
// A^L), which keeps every term at most 1 and so fits a double for any L.
//
// N counts each possible password once. The generator places one character
// of each class and shuffles, so passwords whose classes are evenly mixed
// are a little likelier than the rest: someone guessing likeliest first
// gains up to about two bits over log2(N) at the lengths policies ask for
// (0.8 bits for 16 characters of the 26-character default set).
double CryptoStrengthBits(const std::string& specialchar, unsigned int length,
                          bool blankEndsAllowed) {
    bool seen[256] = {false};
    std::vector<double> classSizes = {26, 26, 10};
    double specials = 0;
    for (unsigned char c : specialchar) {
        const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (alnum) continue;
        if (!seen[c]) ++specials;
        seen[c] = true;
    }
    if (specials > 0) classSizes.push_back(specials);
    const bool blankDrawn = !blankEndsAllowed && seen[static_cast<unsigned char>(' ')];
    const size_t blankClass = 3;  // the blank is always a special character

    const double alphabet = std::accumulate(classSizes.begin(), classSizes.end(), 0.0);
    double sum = 0;
    for (unsigned avoided = 0; avoided < (1u << classSizes.size()); ++avoided) {
        double left = alphabet;
        int sign = 1;
        for (size_t c = 0; c < classSizes.size(); ++c) {
            if (avoided & (1u << c)) {
                left -= classSizes[c];
                sign = -sign;
            }
        }
        const bool blankLeft = blankDrawn && !(avoided & (1u << blankClass));
        const double ends = (blankLeft ? left - 1 : left) / alphabet;
        const double share = left / alphabet;
        sum += sign * (blankDrawn ? ends * ends * std::pow(share, length - 2.0)
                                  : std::pow(share, static_cast<double>(length)));
    }
    return length * std::log2(alphabet) + std::log2(sum);
}

}  // namespace ppc
