// Fuzzes opening a breach table and looking keys up in it. The input gives
// the header's parameters and the pages' bytes; the target seals every page
// with its correct checksum (unless the input asks for raw bytes), so the
// fuzzer reaches the lookups on arbitrary page contents instead of stopping
// at the checksums.
//
// Properties checked besides "no crash, no sanitizer report":
// - a table that opens has a file size that matches its header;
// - every page of a sealed table verifies, and no lookup in it meets damage;
// - a lookup gives the same answer twice.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzFile.h"
#include "breach/BreachFormat.h"
#include "breach/BreachTable.h"
#include "breach/PageChecksum.h"

namespace {

struct Reader {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    uint64_t Take(size_t bytes) {
        uint64_t value = 0;
        for (size_t i = 0; i < bytes && at < size; ++i) value |= uint64_t{data[at++]} << (8 * i);
        return value;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const FuzzFile file("breach-table-fuzz");
    Reader in{data, size};
    const uint64_t flags = in.Take(1);
    const bool sealed = (flags & 1) == 0;

    breach::BreachHeader header {};
    memcpy(header.magic, breach::kMagic, sizeof header.magic);
    header.formatVersion = (flags & 2) == 0 ? breach::kFormatVersion : static_cast<uint32_t>(in.Take(1));
    header.headerBytes = breach::kPageBytes;
    header.hashId = breach::kHashSha1;
    header.resultBits = static_cast<uint32_t>(in.Take(1));
    header.ribbonWidth = breach::kRibbonWidth;
    header.blocksPerPage = (flags & 4) == 0 && header.resultBits >= 1 && header.resultBits <= 64
                               ? breach::BlocksPerPage(header.resultBits)
                               : static_cast<uint32_t>(in.Take(1));
    header.segmentPages = static_cast<uint32_t>(in.Take(1));
    header.dataPages = in.Take(1) % 8;
    header.entryCount = (flags & 8) == 0 ? in.Take(2) : in.Take(8);
    header.exceptionCount = in.Take(2) % 1100;
    header.fileBytes = (flags & 16) == 0 ? breach::FileBytes(header.dataPages, header.exceptionCount) : in.Take(8);
    header.seed = in.Take(8);
    const uint64_t pages = 1 + header.dataPages + breach::ExceptionPages(header.exceptionCount);

    // The rest of the input, repeated, fills the pages after the header.
    std::vector<uint8_t> bytes(pages * breach::kPageBytes, 0);
    memcpy(bytes.data(), &header, sizeof header);
    const size_t body = size - std::min(in.at, size);
    for (size_t i = breach::kPageBytes; body > 0 && i < bytes.size(); ++i) bytes[i] = data[in.at + i % body];
    for (uint64_t page = 0; page < pages; ++page) {
        if (sealed || page == 0) breach::SealPage(bytes.data() + page * breach::kPageBytes, page, page == 0 ? 0 : header.seed);
    }
    file.Write(bytes.data(), bytes.size());

    std::string problem;
    const auto table = breach::BreachTable::Open(file.Path(), &problem);
    if (!table) return 0;
    FUZZ_CHECK(table->FileBytes() == bytes.size());
    for (uint64_t i = 0; i < 64; ++i) {
        const uint64_t key = (i < 8 ? in.Take(8) : 0) ^ (i * 0x9E3779B97F4A7C15ULL);
        const breach::Lookup first = table->Find(key);
        FUZZ_CHECK(table->Find(key) == first);
        if (sealed) FUZZ_CHECK(first != breach::Lookup::kDamaged);
    }
    if (sealed) FUZZ_CHECK(table->Verify().damagedPages == 0);
    return 0;
}
