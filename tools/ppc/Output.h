// How ppc speaks: exit statuses, result-code names, and one writer for
// plain text and for JSON lines, so every command formats the same way.
#ifndef PPC_TOOL_OUTPUT_H
#define PPC_TOOL_OUTPUT_H

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace ppc {

using Json = nlohmann::ordered_json;

// Exit statuses shared by every command.
enum ExitStatus : int {
    kExitOk = 0,           // the password passes, or nothing is wrong
    kExitRuleBroken = 1,   // a password breaks a rule, or the configuration has problems
    kExitUsage = 2,        // bad command line
    kExitFailure = 3,      // the component returned an error code
};

// The header's name of a result code ("PPC_ERR_NO_POLICY"), or "PPC_UNKNOWN"
// for a code the header does not define.
const char* ResultCodeName(unsigned int code);

// "PPC_ERR_NO_POLICY (3005): no policy 7".
std::string DescribeFailure(unsigned int code, const std::string& detail);

// The text of a special-character set as an operator reads it: blanks are
// named rather than printed, other unprintable bytes shown as \xHH, and an
// empty set as "(none)".
std::string DisplaySpecialSet(const std::string& set);

// Rows padded into left-aligned columns, two blanks apart, one line each.
std::string FormatTable(const std::vector<std::vector<std::string>>& rows);

// Writes a command's answers either as text lines or as JSON objects, one
// per line. Everything goes to standard output except diagnostics, which go
// to standard error in text mode.
class Output {
public:
    explicit Output(bool json) : json_(json) {}

    bool IsJson() const { return json_; }
    // Text mode: writes `line` and a newline. Ignored in JSON mode.
    void Text(const std::string& line) const;
    // JSON mode: writes `object` on one line. Ignored in text mode.
    void Record(const Json& object) const;
    // Writes whichever of the two fits the mode.
    void Answer(const std::string& line, const Json& object) const;
    // Reports a failed call of the component and returns kExitFailure: text
    // on standard error, or {"error": {...}} on standard output.
    int Failure(unsigned int code, const std::string& detail) const;
    // Refuses the input as given and returns kExitUsage: `why` on standard
    // error, or {"error": {"message": ...}} on standard output.
    int Refuse(const std::string& why) const;
    // A remark for a person (standard error, text mode only).
    void Remark(const std::string& text) const;

private:
    bool json_;
};

}  // namespace ppc

#endif  // PPC_TOOL_OUTPUT_H
