#include "breach/BreachHash.h"

#include <nettle/sha1.h>
#include <string.h>

namespace breach {

void Sha1(std::string_view bytes, uint8_t digest[kSha1Bytes]) {
    struct sha1_ctx context;
    sha1_init(&context);
    sha1_update(&context, bytes.size(), reinterpret_cast<const uint8_t*>(bytes.data()));
    sha1_digest(&context, kSha1Bytes, digest);
    // The context held the password's bytes in its block buffer.
    explicit_bzero(&context, sizeof context);
}

uint64_t KeyOfDigest(const uint8_t digest[kSha1Bytes]) {
    uint64_t key = 0;
    for (int i = 0; i < 8; ++i) key = (key << 8) | digest[i];
    return key;
}

uint64_t KeyOfPassword(std::string_view trimmed) {
    uint8_t digest[kSha1Bytes];
    Sha1(trimmed, digest);
    const uint64_t key = KeyOfDigest(digest);
    explicit_bzero(digest, sizeof digest);
    return key;
}

}  // namespace breach
