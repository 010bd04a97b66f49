#ifndef PWDPOLICY_TESTS_SUPPORT_RELOADTESTUTIL_H
#define PWDPOLICY_TESTS_SUPPORT_RELOADTESTUTIL_H

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <string>

#include "pwdpolicy.h"

namespace reloadtest {

// Policy 0 from `minlen` to `maxlen`; `interval` in minutes.
inline std::string Config(const std::string& dic, int minlen, int maxlen = 40, int interval = 60) {
    return "[BASIC]\nweakPwdDic=" + dic + "\ntimerInterval=" + std::to_string(interval) +
           "\n[POLICY0]\nminlen=" + std::to_string(minlen) + "\nmaxlen=" + std::to_string(maxlen) +
           "\nminclass=2\nspecialchar=!@\n";
}

inline int MinLen() {
    int limits[5] = {};
    const char* special = nullptr;
    PPC_GetPolicy(0, limits, 5, &special);
    return limits[0];
}

// PPC_IsWeakPwd's answer, or 2 when the call failed.
inline unsigned int Weak(const char* pwd) {
    unsigned int weak = 2;
    return PPC_IsWeakPwd(pwd, &weak) == PPC_OK ? weak : 2;
}

// Writes a sibling file and renames it over `path`, as editors and sed -i do.
inline void ReplaceByRename(const std::string& path, const std::string& text) {
    std::ofstream(path + ".new") << text;
    ASSERT_EQ(rename((path + ".new").c_str(), path.c_str()), 0);
}

}  // namespace reloadtest

#endif  // PWDPOLICY_TESTS_SUPPORT_RELOADTESTUTIL_H
