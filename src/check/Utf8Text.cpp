#include "check/Utf8Text.h"

#include <utf8proc.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <new>

namespace {

struct FreeWiped {
    void operator()(utf8proc_uint8_t* bytes) const {
        explicit_bzero(bytes, strlen(reinterpret_cast<char*>(bytes)));
        free(bytes);
    }
};

// utf8proc_map's result for `text` under `options`, or null when `text` is
// not valid UTF-8.
std::unique_ptr<utf8proc_uint8_t, FreeWiped> Map(std::string_view text, utf8proc_option_t options) {
    utf8proc_uint8_t* mapped = nullptr;
    const utf8proc_ssize_t length = utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(text.data()),
                                                 static_cast<utf8proc_ssize_t>(text.size()), &mapped, options);
    if (length == UTF8PROC_ERROR_NOMEM) throw std::bad_alloc();
    if (length < 0) return nullptr;
    return std::unique_ptr<utf8proc_uint8_t, FreeWiped>(mapped);
}

// Appends the code points of valid UTF-8 `text` to *out.
void Decode(std::string_view text, std::u32string* out) {
    const auto* at = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
    utf8proc_ssize_t left = static_cast<utf8proc_ssize_t>(text.size());
    while (left > 0) {
        utf8proc_int32_t codePoint = 0;
        const utf8proc_ssize_t used = utf8proc_iterate(at, left, &codePoint);
        out->push_back(static_cast<char32_t>(codePoint));
        at += used;
        left -= used;
    }
}

}  // namespace

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

int64_t CountCodePoints(std::string_view text) {
    const auto* at = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
    utf8proc_ssize_t left = static_cast<utf8proc_ssize_t>(text.size());
    int64_t count = 0;
    while (left > 0) {
        // ASCII needs no decoding: most passwords are nothing else.
        if (*at < 0x80) {
            ++at;
            --left;
        } else {
            utf8proc_int32_t codePoint = 0;
            const utf8proc_ssize_t used = utf8proc_iterate(at, left, &codePoint);
            if (used < 0) return -1;
            at += used;
            left -= used;
        }
        ++count;
    }
    return count;
}

bool NormalizeNfkc(std::string_view text, std::string* out) {
    // ASCII is its own NFKC form: most passwords need no table at all.
    if (IsAscii(text)) {
        out->assign(text);
        return true;
    }
    const auto mapped =
        Map(text, static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_COMPOSE | UTF8PROC_COMPAT));
    if (mapped == nullptr) return false;
    out->assign(reinterpret_cast<const char*>(mapped.get()));
    return true;
}

void FoldCase(std::string_view text, std::u32string* out) {
    out->clear();
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    // Bytes with ASCII's letters in lower case: all of ASCII text, and the
    // fallback for text that is not UTF-8.
    const auto foldBytes = [&] {
        out->resize(text.size());
        std::transform(bytes, bytes + text.size(), out->begin(), [](unsigned char byte) {
            return static_cast<char32_t>(byte >= 'A' && byte <= 'Z' ? byte + ('a' - 'A') : byte);
        });
    };
    if (IsAscii(text)) {
        foldBytes();
        return;
    }
    const auto mapped =
        Map(text, static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_COMPOSE | UTF8PROC_COMPAT | UTF8PROC_CASEFOLD));
    if (mapped != nullptr) {
        Decode(reinterpret_cast<const char*>(mapped.get()), out);
        return;
    }
    foldBytes();
}

void Characters(std::string_view text, std::u32string* out) {
    out->clear();
    if (CountCodePoints(text) >= 0) {
        Decode(text, out);
        return;
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    out->assign(bytes, bytes + text.size());
}
