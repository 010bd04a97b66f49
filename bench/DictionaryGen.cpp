#include "DictionaryGen.h"

#include <cstdio>
#include <memory>
#include <random>

namespace benchdict {

namespace {

// mt19937_64's output sequence is fixed by the standard; the library's
// distributions are not, so draws are reduced by hand.
class Draw {
public:
    explicit Draw(uint64_t seed) : engine_(seed) {}
    size_t Below(size_t n) { return static_cast<size_t>(engine_() % n); }
    bool Percent(size_t p) { return Below(100) < p; }
    template <size_t N>
    const char* Pick(const char* const (&items)[N]) {
        return items[Below(N)];
    }

private:
    std::mt19937_64 engine_;
};

const char* const kOnsets[] = {"b",  "c",  "d",  "f",  "g",  "h",  "j",  "k",  "l",  "m",
                               "n",  "p",  "r",  "s",  "t",  "v",  "w",  "z",  "br", "ch",
                               "cl", "dr", "fl", "gr", "pl", "sh", "sl", "st", "th", "tr"};
const char* const kVowels[] = {"a", "e", "i", "o", "u", "y", "ai", "ea", "ee", "oo", "ou"};
const char* const kCodas[] = {"",  "",  "",   "",   "n",  "r",  "s",  "t",  "l",
                              "m", "ck", "ng", "rd", "st", "th", "x", "ll", "ss"};
const char* const kCommon[] = {
    "password", "dragon",  "monkey",  "shadow",  "master",  "sunshine", "princess", "football",
    "baseball", "welcome", "letmein", "freedom", "whatever", "trustno", "superman", "batman",
    "charlie",  "michael", "jessica", "ashley",  "jordan",  "hunter",   "summer",   "winter",
    "flower",   "cookie",  "pepper",  "ginger",  "tigger",  "soccer",   "hockey",   "love",
    "angel",    "secret",  "admin",   "login",   "qwerty",  "hello",    "family",   "orange"};
const char* const kWalks[] = {"qwerty", "asdfgh", "zxcvbn", "qwertyuiop", "1qaz2wsx", "qazwsx",
                              "asdf",   "zaq12wsx", "1q2w3e4r", "q1w2e3r4", "poiuyt", "mnbvcx"};
const char kSymbols[] = "!@#$%&*?._-+=~";
const char kAlnum[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";

std::string Word(Draw& draw) {
    if (draw.Percent(6)) return draw.Pick(kCommon);
    std::string word;
    const size_t syllables = 2 + draw.Below(2);
    for (size_t i = 0; i < syllables; ++i) {
        word += draw.Pick(kOnsets);
        word += draw.Pick(kVowels);
        word += draw.Pick(kCodas);
    }
    return word;
}

std::string Digits(Draw& draw, size_t count) {
    std::string digits;
    for (size_t i = 0; i < count; ++i) digits += static_cast<char>('0' + draw.Below(10));
    return digits;
}

std::string Year(Draw& draw) { return std::to_string(1950 + draw.Below(76)); }

char Symbol(Draw& draw) { return kSymbols[draw.Below(sizeof kSymbols - 1)]; }

std::string Capitalised(std::string word) {
    if (!word.empty() && word[0] >= 'a' && word[0] <= 'z') word[0] = static_cast<char>(word[0] - 32);
    return word;
}

std::string Leet(Draw& draw, std::string word) {
    for (char& c : word) {
        if (!draw.Percent(70)) continue;
        switch (c) {
            case 'a': c = '@'; break;
            case 'e': c = '3'; break;
            case 'i': c = '1'; break;
            case 'o': c = '0'; break;
            case 's': c = '$'; break;
            case 't': c = '7'; break;
            default: break;
        }
    }
    return word;
}

std::string Candidate(Draw& draw) {
    const size_t kind = draw.Below(100);
    if (kind < 12) return Word(draw);
    if (kind < 40) return Word(draw) + (draw.Percent(40) ? Year(draw) : Digits(draw, 1 + draw.Below(4)));
    if (kind < 55) {
        return Capitalised(Word(draw)) + Digits(draw, 1 + draw.Below(3)) + Symbol(draw);
    }
    if (kind < 63) return Leet(draw, Word(draw)) + (draw.Percent(50) ? Digits(draw, 2) : "");
    if (kind < 71) return Word(draw) + (draw.Percent(30) ? "_" : "") + Word(draw);
    if (kind < 80) {
        if (draw.Percent(30)) {  // a date, ddmmyyyy
            std::string date = std::to_string(101 + draw.Below(28)).substr(1);
            date += std::to_string(101 + draw.Below(12)).substr(1);
            return date + Year(draw);
        }
        return Digits(draw, 4 + draw.Below(7));
    }
    if (kind < 85) {
        std::string walk = draw.Pick(kWalks);
        if (draw.Percent(50)) walk += Digits(draw, 1 + draw.Below(3));
        if (draw.Percent(20)) walk = Capitalised(walk);
        return walk;
    }
    if (kind < 92) return Capitalised(Word(draw)) + Symbol(draw) + Digits(draw, 3);
    std::string random;  // a generated or reused random password
    const size_t length = 8 + draw.Below(9);
    for (size_t i = 0; i < length; ++i) {
        random += draw.Percent(12) ? Symbol(draw) : kAlnum[draw.Below(sizeof kAlnum - 1)];
    }
    return random;
}

}  // namespace

std::vector<std::string> GenerateEntries(size_t count, uint64_t seed) {
    Draw draw(seed);
    std::vector<std::string> entries;
    entries.reserve(count);
    while (entries.size() < count) {
        if (!entries.empty() && draw.Percent(2)) {
            entries.push_back(entries[draw.Below(entries.size())]);
            continue;
        }
        std::string entry = Candidate(draw);
        if (entry.size() < 4 || entry.size() > 20) continue;
        entries.push_back(std::move(entry));
    }
    return entries;
}

bool WriteDictionary(const std::string& path, const std::vector<std::string>& entries) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(fopen(path.c_str(), "wb"), fclose);
    if (!file) return false;
    for (const std::string& entry : entries) {
        if (fwrite(entry.data(), 1, entry.size(), file.get()) != entry.size() ||
            fputc('\n', file.get()) == EOF) {
            return false;
        }
    }
    return fflush(file.get()) == 0;
}

}  // namespace benchdict
