#include "Output.h"

#include <pwdpolicy.h>

#include <algorithm>
#include <cstdio>
#include <iostream>

namespace ppc {

const char* ResultCodeName(unsigned int code) {
    switch (code) {
        case PPC_OK: return "PPC_OK";
        case PPC_ERR_ALLOC: return "PPC_ERR_ALLOC";
        case PPC_ERR_NOT_INITIALIZED: return "PPC_ERR_NOT_INITIALIZED";
        case PPC_ERR_ALREADY_INITIALIZED: return "PPC_ERR_ALREADY_INITIALIZED";
        case PPC_ERR_BAD_ARGUMENT: return "PPC_ERR_BAD_ARGUMENT";
        case PPC_ERR_TIMER: return "PPC_ERR_TIMER";
        case PPC_ERR_FILE_MONITOR: return "PPC_ERR_FILE_MONITOR";
        case PPC_ERR_DATA_LOAD: return "PPC_ERR_DATA_LOAD";
        case PPC_ERR_NO_POLICY: return "PPC_ERR_NO_POLICY";
        default: return "PPC_UNKNOWN";
    }
}

std::string DescribeFailure(unsigned int code, const std::string& detail) {
    return std::string(ResultCodeName(code)) + " (" + std::to_string(code) + "): " + detail;
}

std::string DisplaySpecialSet(const std::string& set) {
    if (set.empty()) return "(none)";
    std::string shown;
    size_t blanks = 0;
    for (unsigned char byte : set) {
        if (byte == ' ') {
            ++blanks;
        } else if (byte < 0x20 || byte >= 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            shown += hex;
        } else {
            shown += static_cast<char>(byte);
        }
    }
    if (blanks == 0) return shown;
    const std::string blank = blanks == 1 ? "a blank" : std::to_string(blanks) + " blanks";
    return shown.empty() ? blank : shown + " and " + blank;
}

std::string FormatTable(const std::vector<std::vector<std::string>>& rows) {
    std::vector<size_t> widths;
    for (const auto& row : rows) {
        if (widths.size() < row.size()) widths.resize(row.size(), 0);
        for (size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], row[i].size());
    }
    std::string text;
    for (const auto& row : rows) {
        std::string line;
        for (size_t i = 0; i < row.size(); ++i) {
            line += row[i];
            if (i + 1 < row.size()) line.append(widths[i] - row[i].size() + 2, ' ');
        }
        line.erase(line.find_last_not_of(' ') + 1);
        text += line + "\n";
    }
    return text;
}

void Output::Text(const std::string& line) const {
    if (json_) return;
    std::cout << line << '\n' << std::flush;
}

void Output::Record(const Json& object) const {
    if (!json_) return;
    // Passwords and special sets are bytes, not necessarily UTF-8: replace
    // what JSON cannot carry instead of failing.
    std::cout << object.dump(-1, ' ', false, Json::error_handler_t::replace) << '\n' << std::flush;
}

void Output::Answer(const std::string& line, const Json& object) const {
    if (json_) {
        Record(object);
    } else {
        Text(line);
    }
}

int Output::Failure(unsigned int code, const std::string& detail) const {
    if (json_) {
        Record(Json{{"error", {{"code", code}, {"name", ResultCodeName(code)}, {"message", detail}}}});
    } else {
        std::cerr << "ppc: " << DescribeFailure(code, detail) << '\n';
    }
    return kExitFailure;
}

int Output::Refuse(const std::string& why) const {
    if (json_) {
        Record(Json{{"error", {{"message", why}}}});
    } else {
        std::cerr << "ppc: " << why << '\n';
    }
    return kExitUsage;
}

void Output::Remark(const std::string& text) const {
    if (!json_) std::cerr << "ppc: " << text << '\n';
}

}  // namespace ppc
