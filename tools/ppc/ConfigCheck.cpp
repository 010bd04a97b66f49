// config check: loads the configuration and the dictionary as the component
// does and says, in plain words, what would surprise an operator.
#include <pwdpolicy.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <ctime>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <set>

#include "Commands.h"
#include "Component.h"
#include "ConfigFileScan.h"
#include "DictionaryScan.h"
#include "breach/BreachTable.h"

namespace ppc {
namespace {

// Errors and warnings make the check fail; notes are for information.
enum class Severity { kError, kWarning, kNote };

struct Finding {
    Severity severity;
    std::string message;
};

const char* SeverityName(Severity severity) {
    switch (severity) {
        case Severity::kError: return "error";
        case Severity::kWarning: return "warning";
        default: return "note";
    }
}

// The period the component's timer gets is timerInterval * 60 seconds in
// signed 32-bit arithmetic: above this it overflows.
constexpr long kMaxTimerIntervalMinutes = INT_MAX / 60;
// Below this length the generator substitutes its own length of 3006.
constexpr int kShortestGeneratedLength = 6;
constexpr int kClassCount = 4;

const std::set<std::string> kPolicyKeys{"minlen",      "maxlen",      "minclass",
                                        "specialchar", "allowminlen", "allowminclass"};
const std::set<std::string> kIntegerPolicyKeys{"minlen", "maxlen", "minclass", "allowminlen",
                                               "allowminclass"};

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string ListText(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items) text += (text.empty() ? "" : ", ") + item;
    return text;
}

class ConfigChecker {
public:
    void Run();
    // Errors first, then warnings, then notes.
    int Report(const Output& out);

private:
    void Add(Severity severity, std::string message) {
        findings_.push_back(Finding{severity, std::move(message)});
    }
    void CheckFile();
    void CheckKeys();
    void CheckInteger(const std::string& where, const KeyLine& key);
    void CheckSections();
    void CheckDictionary();
    void CheckBreachTable();
    Json BreachJson() const;
    void CheckPolicies();

    ConfigScan scan_;
    bool fileReadable_ = false;
    unsigned int startCode_ = PPC_OK;
    std::string dictionaryPath_;
    bool dictionaryNamed_ = false;
    DictionaryScan dictionary_;
    std::string breachPath_;  // empty: no table
    std::unique_ptr<breach::BreachTable> breachTable_;
    double breachAgeDays_ = 0;
    std::optional<long> timerInterval_;
    std::vector<int> policyIds_;
    std::vector<Finding> findings_;
};

void ConfigChecker::Run() {
    CheckFile();
    if (!fileReadable_) return;
    // Exactly the component's own start with the dictionary in use, so that
    // its verdict is the one a host would get.
    startCode_ = StartComponent(Needs::kPoliciesAndDictionary);
    CheckKeys();
    CheckSections();
    CheckDictionary();
    CheckBreachTable();
    CheckPolicies();
    if (startCode_ != PPC_OK) {
        Add(Severity::kError, "the component does not start with this configuration: " +
                                  DescribeFailure(startCode_, "PPC_Initialize with the dictionary in use"));
    }
}

void ConfigChecker::CheckFile() {
    struct stat info {};
    if (stat(PPC_CONFIG_PATH, &info) != 0) {
        Add(Severity::kError, std::string("cannot open the configuration " PPC_CONFIG_PATH ": ") +
                                  std::strerror(errno));
        return;
    }
    if (!S_ISREG(info.st_mode)) {
        Add(Severity::kError, "the configuration " PPC_CONFIG_PATH " is not a regular file");
        return;
    }
    scan_ = ScanConfigFile(PPC_CONFIG_PATH);
    if (scan_.parseResult < 0) {
        Add(Severity::kError, "cannot read the configuration " PPC_CONFIG_PATH);
        return;
    }
    fileReadable_ = true;
    if (scan_.parseResult > 0) {
        Add(Severity::kWarning, "line " + std::to_string(scan_.parseResult) +
                                    " is neither a section, a key nor a comment and is skipped"
                                    " (only the first such line is reported)");
    }
    if (scan_.keys.empty()) Add(Severity::kError, "the configuration sets no key at all");
}

void ConfigChecker::CheckInteger(const std::string& where, const KeyLine& key) {
    const char* text = key.value.c_str();
    char* end = nullptr;
    errno = 0;
    const long value = strtol(text, &end, 10);
    const auto stored = static_cast<int32_t>(static_cast<uint32_t>(value));
    const std::string subject = where + " " + key.name + " = " + Quoted(key.value);
    if (end == text) {
        Add(Severity::kError, subject + " is not a number; the component reads it as 0");
    } else if (errno == ERANGE || value != stored) {
        Add(Severity::kError, subject + " is out of range; the component reads it as " +
                                  std::to_string(stored));
    } else if (*end != '\0') {
        Add(Severity::kWarning, subject + " has text after the number; the component reads it as " +
                                    std::to_string(stored));
    }
}

void ConfigChecker::CheckKeys() {
    std::set<std::pair<std::string, std::string>> seen;
    std::set<std::string> reportedDuplicates;
    std::set<std::string> ignoredSections;
    for (const KeyLine& key : scan_.keys) {
        const std::string where = "[" + key.section + "]";
        if (!seen.insert({key.section, key.name}).second &&
            reportedDuplicates.insert(key.section + "\n" + key.name).second) {
            Add(Severity::kNote, where + " " + key.name + " is set more than once; the last value counts");
        }
        if (IsPolicySection(key.section)) {
            if (kPolicyKeys.count(key.name) == 0) {
                Add(Severity::kWarning, where + " key " + key.name +
                                            " is ignored: policy sections know minlen, maxlen, "
                                            "minclass, specialchar, allowminlen and allowminclass");
            } else if (kIntegerPolicyKeys.count(key.name) != 0) {
                CheckInteger(where, key);
            }
        } else if (key.section == "BASIC") {
            if (key.name == "weakPwdDic") {
                dictionaryPath_ = key.value;
                dictionaryNamed_ = true;
            } else if (key.name == "timerInterval") {
                CheckInteger(where, key);
                timerInterval_ = static_cast<int32_t>(strtol(key.value.c_str(), nullptr, 10));
            } else if (key.name == "breachedPwdTable") {
                breachPath_ = key.value;
            } else {
                Add(Severity::kWarning, where + " key " + key.name +
                                            " is ignored: [BASIC] knows weakPwdDic, timerInterval "
                                            "and breachedPwdTable");
            }
        } else if (ignoredSections.insert(key.section).second) {
            if (key.section.empty()) {
                Add(Severity::kWarning, "keys before the first section are ignored");
                continue;
            }
            std::string upper = key.section;
            std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
            const bool caseSlip = upper == "BASIC" || upper.find("POLICY") != std::string::npos;
            Add(Severity::kWarning, "section " + where +
                                        " is ignored: the component reads [BASIC] and sections "
                                        "whose name contains POLICY" +
                                        (caseSlip ? " (names are case-sensitive)" : ""));
        }
    }
    if (timerInterval_) {
        if (*timerInterval_ <= 0) {
            Add(Severity::kError, "[BASIC] timerInterval " + std::to_string(*timerInterval_) +
                                      " is not a period: a host that starts the reload timer "
                                      "gets no reloads or fails to start");
        } else if (*timerInterval_ > kMaxTimerIntervalMinutes) {
            Add(Severity::kError, "[BASIC] timerInterval " + std::to_string(*timerInterval_) +
                                      " minutes is too long for the timer");
        }
    } else {
        Add(Severity::kNote, "[BASIC] sets no timerInterval: changes are looked for every 60 minutes");
    }
}

void ConfigChecker::CheckSections() {
    // Sections in the order their first key reaches the component: a record
    // is made then, as a copy of policy 0 only when policy 0's record was
    // made earlier in the same load.
    std::vector<std::string> order;
    std::map<std::string, std::set<std::string>> keysBySection;
    for (const KeyLine& key : scan_.keys) {
        if (!IsPolicySection(key.section)) continue;
        if (keysBySection.count(key.section) == 0) order.push_back(key.section);
        if (kPolicyKeys.count(key.name) != 0) keysBySection[key.section].insert(key.name);
    }
    std::map<int32_t, std::vector<std::string>> sectionsById;
    std::set<int32_t> made;
    bool defaultMade = false;
    for (const std::string& section : order) {
        const int32_t id = PolicyIdOf(section);
        sectionsById[id].push_back(section);
        if (section != "POLICY" + std::to_string(id)) {
            Add(Severity::kWarning, "section [" + section + "] is read as policy " + std::to_string(id));
        }
        if (made.insert(id).second && id != 0 && !defaultMade) {
            std::vector<std::string> unset;
            for (const std::string& name : kPolicyKeys) {
                bool set = false;
                for (const std::string& other : sectionsById[id]) set |= keysBySection[other].count(name) != 0;
                if (!set) unset.push_back(name);
            }
            if (!unset.empty()) {
                Add(Severity::kWarning, "section [" + section + "] comes before policy 0's, so it does "
                                        "not start as a copy of policy 0; it does not set " +
                                            ListText(unset) + ", which keep built-in values");
            }
        }
        if (id == 0) defaultMade = true;
    }
    for (const auto& [id, sections] : sectionsById) {
        policyIds_.push_back(id);
        if (sections.size() > 1) {
            std::vector<std::string> names;
            for (const std::string& s : sections) names.push_back("[" + s + "]");
            Add(Severity::kWarning, ListText(names) + (names.size() == 2 ? " both" : " all") +
                                        " stand for policy " + std::to_string(id) +
                                        "; their keys go to one policy");
        }
    }
    if (sectionsById.count(0) == 0) {
        Add(Severity::kError, "there is no policy 0 ([POLICY0]): the strong check and default "
                              "generation fail with PPC_ERR_NO_POLICY (3005)");
    }
}

void ConfigChecker::CheckDictionary() {
    if (!dictionaryNamed_ || dictionaryPath_.empty()) {
        Add(Severity::kError, "[BASIC] names no dictionary (weakPwdDic): hosts that use the "
                              "dictionary cannot start the component");
        return;
    }
    dictionary_ = ScanDictionary(dictionaryPath_);
    if (!dictionary_.opened) {
        Add(Severity::kError, "the dictionary " + dictionaryPath_ + " cannot be opened: " +
                                  dictionary_.openError);
        return;
    }
    if (dictionary_.endLine != 0 && dictionary_.ignoredLines > 0) {
        Add(Severity::kWarning, "dictionary line " + std::to_string(dictionary_.endLine) +
                                    " is empty and ends the dictionary: " +
                                    (dictionary_.ignoredLines == 1
                                         ? std::string("the line after it is ignored")
                                         : "the " + std::to_string(dictionary_.ignoredLines) +
                                               " lines after it are ignored"));
    }
    if (dictionary_.entries == 0) {
        Add(Severity::kWarning, "the dictionary " + dictionaryPath_ + " is empty: no password is weak");
    }
}

void ConfigChecker::CheckBreachTable() {
    if (breachPath_.empty()) return;
    std::string problem;
    breachTable_ = breach::BreachTable::Open(breachPath_, &problem);
    if (!breachTable_) {
        Add(Severity::kError, "the breach table " + breachPath_ + " cannot be used: " + problem);
        return;
    }
    const double built = static_cast<double>(breachTable_->Header().buildTime);
    breachAgeDays_ = std::max(0.0, (static_cast<double>(time(nullptr)) - built) / 86400);
    if (breachTable_->Entries() == 0) {
        Add(Severity::kWarning, "the breach table " + breachPath_ + " is empty: it rejects no password");
    }
}

void ConfigChecker::CheckPolicies() {
    for (int id : policyIds_) {
        PolicyView p;
        if (ReadPolicy(id, &p) != PPC_OK) continue;  // the load failed; reported already
        const std::string name = "policy " + std::to_string(id);
        if (p.minlen > p.maxlen) {
            Add(Severity::kError, name + ": minlen " + std::to_string(p.minlen) + " is above maxlen " +
                                      std::to_string(p.maxlen) + ", so no password can match");
        } else if (p.maxlen < 1) {
            Add(Severity::kError, name + ": maxlen " + std::to_string(p.maxlen) +
                                      " leaves no password that can match");
        }
        if (p.minclass > kClassCount) {
            Add(Severity::kError, name + ": minclass " + std::to_string(p.minclass) +
                                      " is above 4, the number of classes, so no password can match");
        } else if (p.minclass < 1) {
            Add(Severity::kWarning, name + ": minclass " + std::to_string(p.minclass) +
                                        " means the class rule never fails");
        }
        if (p.minlen < kShortestGeneratedLength) {
            Add(Severity::kWarning, name + ": minlen " + std::to_string(p.minlen) +
                                        " is below 6, so passwords generated for it without a "
                                        "length are 3006 characters long");
        }
        if (p.specialchar.empty()) {
            Add(Severity::kError, name + " has an empty special set: with the special check every "
                                  "password holding a special character fails, and generated "
                                  "passwords hold none");
            continue;
        }
        std::string alphanumeric;
        std::set<char> seenChars;
        bool duplicates = false;
        for (char c : p.specialchar) {
            if (std::isalnum(static_cast<unsigned char>(c)) && alphanumeric.find(c) == std::string::npos) {
                alphanumeric += c;
            }
            duplicates |= !seenChars.insert(c).second;
        }
        if (!alphanumeric.empty()) {
            Add(Severity::kWarning, name + ": the special set holds letters or digits (" + alphanumeric +
                                        "), which never count as special characters");
        }
        if (duplicates) Add(Severity::kNote, name + ": the special set names some characters twice");
    }
}

Json ConfigChecker::BreachJson() const {
    if (breachPath_.empty()) return Json(nullptr);
    Json table{{"path", breachPath_}};
    if (breachTable_) {
        table["entries"] = breachTable_->Entries();
        table["bytes"] = breachTable_->FileBytes();
        table["ageDays"] = breachAgeDays_;
        table["falsePositiveRate"] = breachTable_->FalsePositiveRate();
    }
    return table;
}

int ConfigChecker::Report(const Output& out) {
    std::stable_sort(findings_.begin(), findings_.end(), [](const Finding& a, const Finding& b) {
        return a.severity < b.severity;
    });
    size_t errors = 0;
    size_t warnings = 0;
    for (const Finding& finding : findings_) {
        errors += finding.severity == Severity::kError;
        warnings += finding.severity == Severity::kWarning;
    }
    const bool ok = errors == 0 && warnings == 0;
    if (out.IsJson()) {
        Json findings = Json::array();
        for (const Finding& finding : findings_) {
            findings.push_back(Json{{"severity", SeverityName(finding.severity)},
                                    {"message", finding.message}});
        }
        Json record{{"config", PPC_CONFIG_PATH},
                    {"dictionary", dictionaryNamed_ ? Json(dictionaryPath_) : Json(nullptr)},
                    {"dictionaryEntries", dictionary_.entries},
                    {"breachTable", BreachJson()},
                    {"policies", policyIds_},
                    {"timerInterval", timerInterval_ ? Json(*timerInterval_) : Json(nullptr)},
                    {"findings", findings},
                    {"ok", ok}};
        out.Record(record);
        return ok ? kExitOk : kExitRuleBroken;
    }
    std::vector<std::vector<std::string>> facts{{"configuration", PPC_CONFIG_PATH}};
    if (dictionaryNamed_) {
        facts.push_back({"dictionary", dictionaryPath_ + (dictionary_.opened
                                           ? " (" + std::to_string(dictionary_.entries) + " entries)"
                                           : "")});
    }
    if (!breachPath_.empty()) {
        std::string table = breachPath_;
        if (breachTable_) {
            char size[32];
            std::snprintf(size, sizeof size, "%.1f MB", static_cast<double>(breachTable_->FileBytes()) / 1e6);
            table += " (" + std::to_string(breachTable_->Entries()) + " entries, " + size + ", built " +
                     std::to_string(static_cast<long>(breachAgeDays_)) + " days ago)";
        }
        facts.push_back({"breach table", table});
    }
    if (fileReadable_) {
        std::vector<std::string> ids;
        for (int id : policyIds_) ids.push_back(std::to_string(id));
        facts.push_back({"policies", ids.empty() ? "none" : ListText(ids)});
        const long minutes = timerInterval_.value_or(60);
        facts.push_back({"reload check", "every " + std::to_string(minutes) +
                                             (minutes == 1 ? " minute" : " minutes") +
                                             " (for hosts that start the timer)"});
    }
    std::string text = FormatTable(facts);
    for (const Finding& finding : findings_) {
        text += std::string(SeverityName(finding.severity)) + ": " + finding.message + "\n";
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

}  // namespace

int RunConfigCheck(const Output& out) {
    ConfigChecker checker;
    checker.Run();
    return checker.Report(out);
}

}  // namespace ppc
