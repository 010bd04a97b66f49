#include "breach/PageChecksum.h"

#include <string.h>
#include <xxhash.h>

#include "breach/BreachFormat.h"

namespace breach {

uint64_t PageChecksum(const uint8_t* page, uint64_t pageNumber, uint64_t tableSeed) {
    return XXH3_64bits_withSeed(page, kPagePayloadBytes, tableSeed ^ (pageNumber * 0x9E3779B97F4A7C15ULL));
}

bool PageIsSound(const uint8_t* page, uint64_t pageNumber, uint64_t tableSeed) {
    uint64_t stored;
    memcpy(&stored, page + kPagePayloadBytes, sizeof stored);
    return stored == PageChecksum(page, pageNumber, tableSeed);
}

void SealPage(uint8_t* page, uint64_t pageNumber, uint64_t tableSeed) {
    const uint64_t sum = PageChecksum(page, pageNumber, tableSeed);
    memcpy(page + kPagePayloadBytes, &sum, sizeof sum);
}

}  // namespace breach
