// Distribution report for the password generator (not a test, not timed).
//
//   GenSecPwd_distribution [seed [count]]
//
// Generates `count` (default 1,000,000) passwords of 16 characters with the
// default special set from one rand() stream seeded with `seed`, and prints:
// the class guarantee check, per-position class frequencies against the
// exact expectation of the generator's shuffle, and chi-square tests of the
// tail-phase draws.
//
// To see which draws the library made, this program defines rand() itself:
// the library resolves rand() through the dynamic linker, so every draw comes
// here. It returns random(), which is exactly what glibc's rand() returns, so
// the passwords are the ones the library makes from srand(seed) anyway.
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "pwdpolicy.h"

namespace {

constexpr int kLength = 16;
constexpr int kBlock = 3;                     // 16 / 4 - 1
constexpr int kTailStart = 4 * kBlock;        // 12
constexpr int kTailDraws = 2 * (kLength - kTailStart);
constexpr int kDrawsPerPassword = 4 * kBlock + kTailDraws + kLength;  // 36
constexpr int kMaxRecorded = 64;

const char kSpecial[] = "~!#$%^&*()-_=+\\|[{}]:,<.>?";
const char kLower[] = "abcdefghijklmnopqrstuvwxyz";
const char kUpper[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
const char kDigits[] = "0123456789";

int recorded[kMaxRecorded];
int recordedCount = 0;

enum CharClass { kLowerClass, kUpperClass, kDigitClass, kSpecialClass, kClassCount };
const char* const kClassNames[kClassCount] = {"lower", "upper", "digit", "special"};
// Tail character bins: 26 lower, 26 upper, 10 digits, 26 special.
constexpr int kClassSize[kClassCount] = {26, 26, 10, 26};
constexpr int kClassOffset[kClassCount] = {0, 26, 52, 62};
constexpr int kTailBins = 88;

int ClassOf(char c) {
    if (c >= 'a' && c <= 'z') return kLowerClass;
    if (c >= 'A' && c <= 'Z') return kUpperClass;
    if (c >= '0' && c <= '9') return kDigitClass;
    return strchr(kSpecial, c) != nullptr && c != '\0' ? kSpecialClass : -1;
}

int IndexInClass(char c, int cls) {
    const char* set = cls == kLowerClass ? kLower : cls == kUpperClass ? kUpper
                    : cls == kDigitClass ? kDigits : kSpecial;
    return static_cast<int>(strchr(set, c) - set);
}

// P(rand() % m == r) for a rand() uniform on [0, RAND_MAX].
double RemainderProbability(long m, long r) {
    const double range = static_cast<double>(RAND_MAX) + 1.0;
    const long full = (static_cast<long>(RAND_MAX) + 1) / m;
    const long extra = (static_cast<long>(RAND_MAX) + 1) % m;
    return (static_cast<double>(full) + (r < extra ? 1.0 : 0.0)) / range;
}

// Upper tail of the chi-square distribution (Wilson-Hilferty), good to a
// few per cent for the degrees of freedom used here.
double ChiSquarePValue(double x, int df) {
    const double k = df;
    const double z = (std::cbrt(x / k) - (1.0 - 2.0 / (9.0 * k))) / std::sqrt(2.0 / (9.0 * k));
    return 0.5 * std::erfc(z / std::sqrt(2.0));
}

}  // namespace

extern "C" int rand(void) noexcept {
    const int value = static_cast<int>(random());
    if (recordedCount < kMaxRecorded) recorded[recordedCount] = value;
    ++recordedCount;
    return value;
}

int main(int argc, char** argv) {
    const unsigned seed = argc > 1 ? static_cast<unsigned>(strtoul(argv[1], nullptr, 0)) : 20240607u;
    const long count = argc > 2 ? strtol(argv[2], nullptr, 10) : 1000000L;
    srand(seed);

    long guaranteeFailures = 0;
    long layoutFailures = 0;
    long drawCountFailures = 0;
    std::array<std::array<long, kClassCount>, kLength> byPosition{};
    std::array<long, 10> kindCounts{};
    std::array<long, kTailBins> tailCounts{};
    long tailTotal = 0;

    for (long n = 0; n < count; ++n) {
        char* pwd = nullptr;
        unsigned int pwdLen = kLength;
        recordedCount = 0;
        if (PPC_GenSecPwd(kSpecial, &pwd, &pwdLen) != PPC_OK || pwdLen != kLength) {
            fprintf(stderr, "generation failed at password %ld\n", n);
            return 1;
        }
        if (recordedCount != kDrawsPerPassword) ++drawCountFailures;

        bool seen[kClassCount] = {};
        for (int p = 0; p < kLength; ++p) {
            const int cls = ClassOf(pwd[p]);
            if (cls < 0) {
                fprintf(stderr, "unexpected character in password %ld\n", n);
                return 1;
            }
            seen[cls] = true;
            ++byPosition[p][cls];
        }
        if (!(seen[0] && seen[1] && seen[2] && seen[3])) ++guaranteeFailures;

        // Undo the shuffle with the recorded swap draws (last swap first) to
        // get the library's text before the shuffle.
        char text[kLength];
        memcpy(text, pwd, kLength);
        free(pwd);
        const int* swaps = recorded + 4 * kBlock + kTailDraws;
        for (int i = kLength - 1; i >= 0; --i) std::swap(text[i], text[swaps[i] % kLength]);

        static const int kBlockLayout[kTailStart] = {0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 0, 1};
        bool layoutOk = true;
        for (int p = 0; p < kTailStart; ++p) layoutOk &= ClassOf(text[p]) == kBlockLayout[p];
        for (int t = 0; t < kLength - kTailStart; ++t) {
            const int kind = recorded[4 * kBlock + 2 * t] % 10;
            ++kindCounts[kind];
            const char c = text[kTailStart + t];
            const int cls = ClassOf(c);
            const int wanted = kind == 0 ? kDigitClass : kind == 1 ? kSpecialClass
                             : kind % 2 == 1 ? kUpperClass : kLowerClass;
            layoutOk &= cls == wanted;
            if (cls < 0) continue;  // cannot happen: every character was classed above
            ++tailCounts[kClassOffset[cls] + IndexInClass(c, cls)];
            ++tailTotal;
        }
        if (!layoutOk) ++layoutFailures;
    }

    printf("GenSecPwd distribution report\n");
    printf("passwords: %ld, length %d, special set \"%s\" (26), srand(%u)\n", count, kLength,
           kSpecial, seed);
    printf("rand() draws per password: %d expected; passwords with another count: %ld\n",
           kDrawsPerPassword, drawCountFailures);
    printf("passwords lacking a lower, upper, digit or special character: %ld\n",
           guaranteeFailures);
    printf("passwords whose unshuffled text breaks the block/tail layout: %ld\n\n",
           layoutFailures);

    // Class of each source position before the shuffle: the block layout,
    // then tail positions drawn with P(kind) from rand() % 10.
    double kindP[10];
    for (int r = 0; r < 10; ++r) kindP[r] = RemainderProbability(10, r);
    const double tailClassP[kClassCount] = {kindP[2] + kindP[4] + kindP[6] + kindP[8],
                                            kindP[3] + kindP[5] + kindP[7] + kindP[9], kindP[0],
                                            kindP[1]};
    double sourceP[kLength][kClassCount] = {};
    static const int kBlockLayout[kTailStart] = {0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 0, 1};
    for (int s = 0; s < kTailStart; ++s) sourceP[s][kBlockLayout[s]] = 1.0;
    for (int s = kTailStart; s < kLength; ++s) {
        for (int c = 0; c < kClassCount; ++c) sourceP[s][c] = tailClassP[c];
    }
    // Where the swap loop sends each source position: for each step i, the
    // element lands on i with probability 1/L wherever it is, and otherwise
    // stays unless it was on i. (rand() % 16 is exactly uniform: 16 divides
    // RAND_MAX + 1.)
    double moved[kLength][kLength] = {};
    for (int s = 0; s < kLength; ++s) {
        double at[kLength] = {};
        at[s] = 1.0;
        for (int i = 0; i < kLength; ++i) {
            const double onI = at[i];
            for (int y = 0; y < kLength; ++y) {
                at[y] = y == i ? 1.0 / kLength : at[y] * (1.0 - 1.0 / kLength) + onI / kLength;
            }
        }
        for (int d = 0; d < kLength; ++d) moved[s][d] = at[d];
    }
    double overall[kClassCount] = {};
    for (int s = 0; s < kLength; ++s) {
        for (int c = 0; c < kClassCount; ++c) overall[c] += sourceP[s][c] / kLength;
    }

    printf("Per-position class frequencies (%%), observed [expected for this shuffle]\n");
    printf("The swap loop draws every partner from the whole password (not\n"
           "Fisher-Yates), so positions are not exchangeable: a perfectly uniform\n"
           "permutation would give every position %.2f%% lower, %.2f%% upper,\n"
           "%.2f%% digit, %.2f%% special. chi2(3 df) compares each position with the\n"
           "exact expectation of this shuffle, and chi2u with the uniform one.\n",
           100 * overall[0], 100 * overall[1], 100 * overall[2], 100 * overall[3]);
    printf("pos  lower           upper           digit           special          chi2  p      chi2u    p\n");
    double chiExactTotal = 0;
    double chiUniformTotal = 0;
    for (int d = 0; d < kLength; ++d) {
        double chiExact = 0;
        double chiUniform = 0;
        printf("%3d ", d);
        for (int c = 0; c < kClassCount; ++c) {
            double expected = 0;
            for (int s = 0; s < kLength; ++s) expected += moved[s][d] * sourceP[s][c];
            const double observed = static_cast<double>(byPosition[d][c]);
            const double e = expected * count;
            const double u = overall[c] * count;
            chiExact += (observed - e) * (observed - e) / e;
            chiUniform += (observed - u) * (observed - u) / u;
            printf(" %6.3f [%6.3f]", 100 * observed / count, 100 * expected);
        }
        chiExactTotal += chiExact;
        chiUniformTotal += chiUniform;
        printf("  %6.2f %.3f %8.1f %.3g\n", chiExact, ChiSquarePValue(chiExact, 3), chiUniform,
               ChiSquarePValue(chiUniform, 3));
    }
    printf("sum over positions: chi2 %.1f, chi2u %.1f (48 cells; about 45 df)\n\n",
           chiExactTotal, chiUniformTotal);

    printf("Tail-phase draws (positions 12-15 before the shuffle, %ld draws)\n", tailTotal);
    const long range = static_cast<long>(RAND_MAX) + 1;
    printf("What uniform means here: each character is set[rand() %% m], with no\n"
           "rejection, and rand() is uniform on [0, %d]. A remainder r then has\n"
           "probability (floor(2^31 / m) + [r < 2^31 mod m]) / 2^31: for m = 10 the\n"
           "remainders 0-%ld are (1 + %.2g) times as likely as 8-9; for m = 26 the\n"
           "remainders 0-%ld are favoured by (1 + %.2g). Far below what 10^6\n"
           "passwords can show, but the expectations below include it. The kind\n"
           "k = rand() %% 10 picks the class first: digit (k = 0) 10%%, special\n"
           "(k = 1) 10%%, upper (odd k) 40%%, lower (even k > 0) 40%%. So a uniform\n"
           "tail is NOT uniform over the 88 characters: a given digit has 1.00%%, a\n"
           "special 0.385%%, a letter 1.54%% per draw; the chi-square uses those weights.\n",
           RAND_MAX, range % 10 - 1,
           RemainderProbability(10, 0) / RemainderProbability(10, 9) - 1.0, range % 26 - 1,
           RemainderProbability(26, 0) / RemainderProbability(26, 25) - 1.0);
    double chiKind = 0;
    printf("kind k:");
    for (int r = 0; r < 10; ++r) {
        const double e = kindP[r] * tailTotal;
        chiKind += (kindCounts[r] - e) * (kindCounts[r] - e) / e;
        printf(" %d:%.4f", r, static_cast<double>(kindCounts[r]) / tailTotal);
    }
    printf("\n  chi2 = %.2f, 9 df, p = %.3f\n", chiKind, ChiSquarePValue(chiKind, 9));

    double chiChar = 0;
    for (int c = 0; c < kClassCount; ++c) {
        double chiClass = 0;
        double share = 0;
        for (int t = 0; t < kClassSize[c]; ++t) {
            const double e = tailClassP[c] * RemainderProbability(kClassSize[c], t) * tailTotal;
            const double o = static_cast<double>(tailCounts[kClassOffset[c] + t]);
            chiClass += (o - e) * (o - e) / e;
            share += o;
        }
        chiChar += chiClass;
        printf("  %-7s share %.4f (expected %.4f); its %d bins add %.2f to chi2\n",
               kClassNames[c], share / tailTotal, tailClassP[c], kClassSize[c], chiClass);
    }
    printf("tail characters over all 88 bins: chi2 = %.2f, 87 df, p = %.3f\n", chiChar,
           ChiSquarePValue(chiChar, 87));
    return guaranteeFailures == 0 && layoutFailures == 0 && drawCountFailures == 0 ? 0 : 1;
}
