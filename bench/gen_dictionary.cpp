// gen_dictionary PATH [COUNT [SEED]]: writes the benchmark dictionary, one
// entry a line. Same arguments, same bytes, on every run.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "DictionaryGen.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 4) {
        fprintf(stderr, "usage: %s PATH [COUNT [SEED]]\n", argv[0]);
        return 2;
    }
    const size_t count = argc > 2 ? strtoull(argv[2], nullptr, 10) : benchdict::kDefaultCount;
    const uint64_t seed = argc > 3 ? strtoull(argv[3], nullptr, 0) : benchdict::kDefaultSeed;
    if (!benchdict::WriteDictionary(argv[1], benchdict::GenerateEntries(count, seed))) {
        perror(argv[1]);
        return 1;
    }
    return 0;
}
