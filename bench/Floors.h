// The least a policy check, a dictionary lookup and a dictionary load can
// cost, written the plain way: what the component's timings are held
// against.
#ifndef PWDPOLICY_BENCH_FLOORS_H
#define PWDPOLICY_BENCH_FLOORS_H

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace floors {

// One table lookup per byte up to the NUL, then a popcount: no policy, no
// guard, no early exit. Returns the number of classes seen.
inline int CountClasses(const char* pwd) {
    static const struct Table {
        uint8_t classOf[256];
        Table() : classOf() {
            for (int b = 0; b < 256; ++b) {
                classOf[b] = b >= 'A' && b <= 'Z'   ? 1
                             : b >= 'a' && b <= 'z' ? 2
                             : b >= '0' && b <= '9' ? 4
                                                    : 8;
            }
        }
    } table;
    unsigned flags = 0;
    for (const unsigned char* at = reinterpret_cast<const unsigned char*>(pwd); *at != 0; ++at) {
        flags |= table.classOf[*at];
    }
    return __builtin_popcount(flags);
}

// std::getline into a std::vector<std::string>.
inline void ReadLines(const std::string& path, std::vector<std::string>& lines) {
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
}

}  // namespace floors

#endif  // PWDPOLICY_BENCH_FLOORS_H
