// Writes breach-list lines for benchmarks: for i in [first, first + count),
// the SHA-1 of "<prefix><i>" as 40 upper-case hex digits and ":<count>",
// one a line, in the order of i (a builder must not rely on sorted input).
// Piped into `ppc breach build -o TABLE -`, it stands in for the downloaded
// list at any size without the disk space the text would take.
//
//   breach_gen COUNT [FIRST [PREFIX]]      PREFIX defaults to "member-"
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "breach/BreachHash.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: breach_gen COUNT [FIRST [PREFIX]]\n");
        return 2;
    }
    const unsigned long long count = std::strtoull(argv[1], nullptr, 10);
    const unsigned long long first = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 0;
    const std::string prefix = argc > 3 ? argv[3] : "member-";
    static const char kHex[] = "0123456789ABCDEF";
    std::vector<char> out;
    out.reserve((1 << 20) + 64);
    char password[96];
    for (unsigned long long i = first; i < first + count; ++i) {
        const int length = std::snprintf(password, sizeof password, "%s%llu", prefix.c_str(), i);
        uint8_t digest[breach::kSha1Bytes];
        breach::Sha1(std::string_view(password, static_cast<size_t>(length)), digest);
        char line[64];
        for (int b = 0; b < 20; ++b) {
            line[2 * b] = kHex[digest[b] >> 4];
            line[2 * b + 1] = kHex[digest[b] & 15];
        }
        const int tail = std::snprintf(line + 40, sizeof line - 40, ":%llu\n", 1 + i % 7);
        out.insert(out.end(), line, line + 40 + tail);
        if (out.size() >= (1 << 20)) {
            if (fwrite(out.data(), 1, out.size(), stdout) != out.size()) return 1;
            out.clear();
        }
    }
    if (fwrite(out.data(), 1, out.size(), stdout) != out.size()) return 1;
    return fflush(stdout) == 0 ? 0 : 1;
}
