// Fuzzes PPC_IsMatchPolicy: a policy with fuzzed limits and special set is
// written as a configuration file and loaded into the global store, then a
// fuzzed password is judged with both indicator values and compared with a
// plain reference verdict written from the rules, without the production
// code's early exit and class tables.
//
// Also checked: the store holds what the file said (including the "space"
// word), an absent policy gives 3005 and leaves the verdict alone, an
// indicator of 2 gives 1006, PPC_JudgePassword gives the same verdict as its
// first reason, and for policy 0 PPC_IsStrongPwd agrees with
// the verdict (the dictionary is empty here, so nothing is weak).
#include <fuzzer/FuzzedDataProvider.h>

#include <cctype>
#include <climits>
#include <cstdint>
#include <cstring>
#include <string>

#include "FuzzFile.h"
#include "lifecycle/Globals.h"
#include "lifecycle/Snapshot.h"
#include "policy/PolicyCfg.h"
#include "pwdpolicy.h"
#include "support/ReloadLock.h"

namespace {

// The word "space" stands for one blank; the search resumes two characters
// after a replacement.
std::string RefReplaceSpace(std::string text) {
    size_t at = text.find("space");
    while (at != std::string::npos) {
        text.replace(at, 5, " ");
        at = text.find("space", at + 2);
    }
    return text;
}

enum ByteClass { kUpper, kLower, kDigit, kSpecial };

ByteClass ClassOf(unsigned char byte) {
    if (byte >= 'A' && byte <= 'Z') return kUpper;
    if (byte >= 'a' && byte <= 'z') return kLower;
    if (byte >= '0' && byte <= '9') return kDigit;
    return kSpecial;
}

unsigned int RefVerdict(const std::string& pwd, int32_t minlen, int32_t maxlen, int32_t minclass,
                        const std::string& special, unsigned int specialCharCheckInd) {
    const int32_t length = static_cast<int32_t>(pwd.size());
    if (length < minlen) return PPC_TOO_SHORT;
    bool seen[4] = {false, false, false, false};
    for (unsigned char byte : pwd) {
        const ByteClass cls = ClassOf(byte);
        seen[cls] = true;
        if (specialCharCheckInd == 1 && cls == kSpecial &&
            special.find(static_cast<char>(byte)) == std::string::npos) {
            return PPC_BAD_SPECIAL_CHAR;
        }
    }
    const int32_t classes = seen[0] + seen[1] + seen[2] + seen[3];
    if (classes < minclass) return PPC_TOO_FEW_CLASSES;
    if (length > maxlen) return PPC_TOO_LONG;
    return PPC_MATCH;
}

int32_t Limit(FuzzedDataProvider& input) {
    // Mostly small values around the interesting boundaries, sometimes any.
    return input.ConsumeBool() ? input.ConsumeIntegral<int32_t>()
                               : input.ConsumeIntegralInRange<int32_t>(-3, 40);
}

// A special set that inih hands over unchanged: no white space (it would be
// trimmed, and it is what starts an inline comment), no NUL, at most 60
// bytes so the line stays within the parser's line limit.
std::string SpecialSet(FuzzedDataProvider& input) {
    std::string set;
    for (char byte : input.ConsumeRandomLengthString(60)) {
        if (byte != '\0' && !isspace(static_cast<unsigned char>(byte))) set += byte;
    }
    return set;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const FuzzFile file("ppc-fuzz-match");
    // Judge against what this input loads, never the fixed configuration path.
    ppcInitFlag = 1;

    FuzzedDataProvider input(data, size);
    const int32_t id = input.ConsumeBool() ? input.ConsumeIntegral<int32_t>()
                                           : input.ConsumeIntegralInRange<int32_t>(-1, 3);
    const int32_t minlen = Limit(input);
    const int32_t maxlen = Limit(input);
    const int32_t minclass = Limit(input);
    const std::string special = SpecialSet(input);
    std::string pwd = input.ConsumeRemainingBytesAsString();
    pwd.resize(strlen(pwd.c_str()));  // the C interface sees up to the first NUL

    file.Write("[POLICY" + std::to_string(id) + "]\nminlen=" + std::to_string(minlen) +
               "\nmaxlen=" + std::to_string(maxlen) + "\nminclass=" + std::to_string(minclass) +
               "\nspecialchar=" + special + "\n");
    policyCfgObj = PolicyCfg();
    FUZZ_CHECK(policyCfgObj.Init(file.Path()) == 0);
    {
        ReloadLock lock;  // what InitData does after its load: the queries read what is published
        dataInForce.Publish(MakeSnapshot(policyCfgObj, weakpwdDic, nullptr));
    }
    const ppc_PolicyInfo* policy = policyCfgObj.GetPolicyByID(id);
    FUZZ_CHECK(policy != nullptr);
    FUZZ_CHECK(policy->minlen == minlen && policy->maxlen == maxlen &&
               policy->minclass == minclass);
    const std::string stored = RefReplaceSpace(special);
    FUZZ_CHECK(policy->specialchar == stored);

    for (unsigned int indicator : {0u, 1u}) {
        unsigned int verdict = 99;
        FUZZ_CHECK(PPC_IsMatchPolicy(pwd.c_str(), id, indicator, &verdict) == PPC_OK);
        FUZZ_CHECK(verdict == RefVerdict(pwd, minlen, maxlen, minclass, stored, indicator));
        // The judge with every rule: the same verdict, first among its reasons.
        PPC_Judgement judgement;
        FUZZ_CHECK(PPC_JudgePassword(pwd.c_str(), id, indicator, nullptr, &judgement) == PPC_OK);
        FUZZ_CHECK(judgement.verdict == verdict);
        FUZZ_CHECK(verdict == PPC_MATCH ? judgement.reasonCount == 0 : judgement.reasons[0] == verdict);
    }
    unsigned int untouched = 99;
    FUZZ_CHECK(PPC_IsMatchPolicy(pwd.c_str(), id, 2, &untouched) == PPC_ERR_BAD_ARGUMENT);
    if (id != INT32_MAX) {
        FUZZ_CHECK(PPC_IsMatchPolicy(pwd.c_str(), id + 1, 0, &untouched) == PPC_ERR_NO_POLICY);
    }
    FUZZ_CHECK(untouched == 99);

    if (id == 0) {
        unsigned int strong = 99;
        FUZZ_CHECK(PPC_IsStrongPwd(pwd.c_str(), &strong) == PPC_OK);
        const unsigned int verdict = RefVerdict(pwd, minlen, maxlen, minclass, stored, 0);
        FUZZ_CHECK(strong == (verdict == PPC_MATCH || verdict == PPC_TOO_LONG ? 1u : 0u));
    }
    return 0;
}
