// The checksum that ends every page of a breach table.
#ifndef PWDPOLICY_BREACH_PAGECHECKSUM_H
#define PWDPOLICY_BREACH_PAGECHECKSUM_H

#include <cstdint>

namespace breach {

// XXH3 (libxxhash) of the page's first kPagePayloadBytes, seeded with the
// table's seed and the page's number: a page copied to another place, or
// from another table, fails its check as surely as a damaged one.
// `pageNumber` counts from the file's start (the header page is 0).
uint64_t PageChecksum(const uint8_t* page, uint64_t pageNumber, uint64_t tableSeed);

// Whether the page's last 8 bytes hold PageChecksum of it.
bool PageIsSound(const uint8_t* page, uint64_t pageNumber, uint64_t tableSeed);

// Writes PageChecksum into the page's last 8 bytes.
void SealPage(uint8_t* page, uint64_t pageNumber, uint64_t tableSeed);

}  // namespace breach

#endif  // PWDPOLICY_BREACH_PAGECHECKSUM_H
