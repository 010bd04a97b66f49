// UTF-8 for the policy rules that count characters rather than bytes: the
// validity test, NFKC and case folding, all through utf8proc, so that the
// Unicode tables are the library's and never ours.
#ifndef PWDPOLICY_CHECK_UTF8TEXT_H
#define PWDPOLICY_CHECK_UTF8TEXT_H

#include <string.h>

#include <cstdint>
#include <string>
#include <string_view>

// A string that holds (part of) a password: wiped before its memory goes.
template <class Text>
struct Wiped {
    Text text;
    Wiped() = default;
    Wiped(const Wiped&) = delete;
    Wiped& operator=(const Wiped&) = delete;
    ~Wiped() { explicit_bzero(text.data(), text.size() * sizeof text[0]); }
};

// Whether every byte of `text` is below 0x80: then it is valid UTF-8, its
// own NFKC form, and folds by ASCII's rules alone.
bool IsAscii(std::string_view text);

// The number of code points of `text` when it is valid UTF-8 (no overlong
// forms, surrogates or values above U+10FFFF), else -1.
int64_t CountCodePoints(std::string_view text);

// `text` in Normalization Form KC into *out. False, and *out untouched,
// when `text` is not valid UTF-8. Throws std::bad_alloc.
bool NormalizeNfkc(std::string_view text, std::string* out);

// `text` as the characters the context rules compare: its NFKC form case
// folded, as code points, when it is valid UTF-8 (so "ＡＬＩＣＥ" is "alice"),
// else its bytes with ASCII letters in lower case. Throws std::bad_alloc.
void FoldCase(std::string_view text, std::u32string* out);

// `text` as characters without folding: code points when valid UTF-8, else
// one unit a byte. Throws std::bad_alloc.
void Characters(std::string_view text, std::u32string* out);

#endif  // PWDPOLICY_CHECK_UTF8TEXT_H
