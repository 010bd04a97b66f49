// The key under which a password is stored in a breach table.
#ifndef PWDPOLICY_BREACH_BREACHHASH_H
#define PWDPOLICY_BREACH_BREACHHASH_H

#include <cstdint>
#include <string_view>

namespace breach {

constexpr size_t kSha1Bytes = 20;

// SHA-1 of `bytes` into `digest` (nettle).
void Sha1(std::string_view bytes, uint8_t digest[kSha1Bytes]);

// The table key of a digest: its first 8 bytes, big-endian.
uint64_t KeyOfDigest(const uint8_t digest[kSha1Bytes]);

// The table key of a password that is already trimmed. The digest is wiped
// before the function returns.
uint64_t KeyOfPassword(std::string_view trimmed);

}  // namespace breach

#endif  // PWDPOLICY_BREACH_BREACHHASH_H
