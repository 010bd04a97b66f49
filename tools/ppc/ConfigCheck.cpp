// config check [FILE]: loads a configuration and the files it names into
// scratch copies, with the component's own loaders, and says, finding by
// finding and line by line, what would surprise an operator. The rules are
// in src/diagnose (diagnose::DiagnoseConfigFile); this file only presents
// them. With FILE the live configuration is never read, so a candidate can
// be judged before it is deployed.
#include <pwdpolicy.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "Commands.h"
#include "diagnose/ConfigDiagnosis.h"

namespace ppc {
namespace {

using diagnose::Finding;
using diagnose::Severity;

const char* SeverityName(Severity severity) {
    switch (severity) {
        case Severity::kError: return "error";
        case Severity::kWarning: return "warning";
        default: return "note";
    }
}

std::string Located(const Finding& finding) {
    return finding.line > 0 ? "line " + std::to_string(finding.line) + ": " + finding.message
                            : finding.message;
}

Json BreachJson(const diagnose::ConfigSummary& summary) {
    if (summary.breachTablePath.empty()) return Json(nullptr);
    Json table{{"path", summary.breachTablePath}};
    if (summary.breachTableOpened) {
        table["entries"] = summary.breachTableEntries;
        table["bytes"] = summary.breachTableBytes;
        table["ageDays"] = summary.breachTableAgeDays;
        table["falsePositiveRate"] = summary.breachTableFalsePositiveRate;
    }
    return table;
}

}  // namespace

int RunConfigCheck(const std::optional<std::string>& file, const Output& out) {
    const std::string path = file.value_or(PPC_CONFIG_PATH);
    std::vector<Finding> findings;
    const diagnose::ConfigSummary summary = diagnose::DiagnoseConfigFile(
        path, [&findings](const Finding& finding) { findings.push_back(finding); });
    // Errors first, then warnings, then notes; each in file order.
    std::stable_sort(findings.begin(), findings.end(), [](const Finding& a, const Finding& b) {
        return a.severity != b.severity ? a.severity < b.severity : a.line < b.line;
    });
    size_t errors = 0;
    size_t warnings = 0;
    for (const Finding& finding : findings) {
        errors += finding.severity == Severity::kError;
        warnings += finding.severity == Severity::kWarning;
    }
    // Warnings fail the check too: each is a line that does not do what it
    // seems to.
    const bool ok = errors == 0 && warnings == 0;
    const bool named = !summary.dictionaryPath.empty();
    if (out.IsJson()) {
        Json list = Json::array();
        for (const Finding& finding : findings) {
            list.push_back(Json{{"severity", SeverityName(finding.severity)},
                                {"line", finding.line},
                                {"message", finding.message}});
        }
        out.Record(Json{{"config", path},
                        {"dictionary", named ? Json(summary.dictionaryPath) : Json(nullptr)},
                        {"dictionaryEntries", summary.dictionaryEntries},
                        {"breachTable", BreachJson(summary)},
                        {"policies", summary.policyIds},
                        {"timerInterval",
                         summary.timerIntervalSet ? Json(summary.timerInterval) : Json(nullptr)},
                        {"findings", list},
                        {"ok", ok}});
        return ok ? kExitOk : kExitRuleBroken;
    }
    std::vector<std::vector<std::string>> facts{{"configuration", path}};
    if (named) {
        facts.push_back({"dictionary", summary.dictionaryPath +
                                           (summary.dictionaryLoaded
                                                ? " (" + std::to_string(summary.dictionaryEntries) + " entries)"
                                                : "")});
    }
    if (!summary.breachTablePath.empty()) {
        std::string table = summary.breachTablePath;
        if (summary.breachTableOpened) {
            char size[32];
            std::snprintf(size, sizeof size, "%.1f MB", static_cast<double>(summary.breachTableBytes) / 1e6);
            table += " (" + std::to_string(summary.breachTableEntries) + " entries, " + size + ", built " +
                     std::to_string(static_cast<long>(summary.breachTableAgeDays)) + " days ago)";
        }
        facts.push_back({"breach table", table});
    }
    if (summary.readable) {
        std::string ids;
        for (int32_t id : summary.policyIds) ids += (ids.empty() ? "" : ", ") + std::to_string(id);
        facts.push_back({"policies", ids.empty() ? "none" : ids});
        const int32_t minutes = summary.timerInterval;
        facts.push_back({"reload check", "every " + std::to_string(minutes) +
                                             (minutes == 1 ? " minute" : " minutes") +
                                             " (for hosts that start the timer)"});
    }
    std::string text = FormatTable(facts);
    for (const Finding& finding : findings) {
        text += std::string(SeverityName(finding.severity)) + ": " + Located(finding) + "\n";
    }
    if (ok) {
        text += "no problems found";
    } else {
        text += std::to_string(errors) + (errors == 1 ? " error, " : " errors, ") +
                std::to_string(warnings) + (warnings == 1 ? " warning" : " warnings");
    }
    out.Text(text);
    return ok ? kExitOk : kExitRuleBroken;
}

}  // namespace ppc
