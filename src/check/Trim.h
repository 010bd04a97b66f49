// The one trimming rule for passwords and dictionary lines, shared by the
// dictionary, the breach table and the tool that builds tables.
#ifndef PWDPOLICY_CHECK_TRIM_H
#define PWDPOLICY_CHECK_TRIM_H

#include <string_view>

// `s` without one CR at its very end, then without leading and trailing
// blanks (0x20 only). A string of blanks comes back unchanged.
inline std::string_view TrimPassword(std::string_view s) {
    if (!s.empty() && s.back() == '\r') s.remove_suffix(1);
    const size_t first = s.find_first_not_of(' ');
    if (first == std::string_view::npos) return s;
    const size_t last = s.find_last_not_of(' ');
    return s.substr(first, last - first + 1);
}

#endif  // PWDPOLICY_CHECK_TRIM_H
