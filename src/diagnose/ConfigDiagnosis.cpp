#include "diagnose/ConfigDiagnosis.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <map>
#include <memory>
#include <set>

#include "breach/TableSet.h"
#include "check/WeakPwdDic.h"
#include "policy/PolicyCfg.h"
#include "support/LoadReport.h"

namespace diagnose {
namespace {

// The reload period is timerInterval * 60 seconds in 32-bit arithmetic.
constexpr long kMaxTimerIntervalMinutes = INT_MAX / 60;
// Below this length the generator substitutes its own length of 3006.
constexpr int kShortestGeneratedLength = 6;
constexpr int kClassCount = 4;
// Keys not read as by strtol: text, and the policy rule keys, whose load
// reports a value they cannot take itself. Every other key is a number.
const std::set<std::string> kTextKeys{"specialchar", "weakPwdDic",   "breachedPwdTable", "lengthUnit",
                                      "normalize",   "composition",  "contextCheck",     "minOldDiff",
                                      "maxRepeat",   "maxSequence"};

// One diagnosis: the scratch store and what its load reported.
class Diagnosis {
public:
    Diagnosis(const std::string& path, const std::function<void(const Finding&)>& report)
        : path_(path), report_(report) {
        load_.TraceKeys();
    }

    ConfigSummary Run();

private:
    void Add(Severity severity, int line, std::string message) {
        report_(Finding{severity, line, std::move(message)});
    }
    void ReportLoad();
    void CheckKeys();
    void CheckInteger(const ConfigKey& key);
    void CheckSections();
    void CheckPolicies();
    void CheckTimer();
    void CheckReloadRecovery();
    void CheckDictionary();
    void CheckBreachTable();
    int FirstLineOfPolicy(int32_t id) const;
    int LastLineOf(const std::string& name) const;
    bool Ignored(int line) const { return ignoredLines_.count(line) != 0; }

    const std::string& path_;
    const std::function<void(const Finding&)>& report_;
    PolicyCfg store_;
    LoadReport load_;
    std::set<int> ignoredLines_;                 // key lines the store did not take
    std::map<std::string, int> firstLineOfSection_;
    ConfigSummary summary_;
};

ConfigSummary Diagnosis::Run() {
    if (store_.Load(path_, &load_) != 0) {
        const auto failed = std::find_if(load_.Notes().begin(), load_.Notes().end(), [](const LoadNote& note) {
            return note.reason != LoadReason::kRead;
        });
        Add(Severity::kError, 0,
            "the configuration " + path_ + (failed != load_.Notes().end() ? " " + failed->message : " cannot be read"));
        return summary_;
    }
    summary_.readable = true;
    ReportLoad();
    if (load_.Keys().empty()) Add(Severity::kError, 0, "the configuration sets no key at all");
    CheckKeys();
    CheckSections();
    CheckPolicies();
    CheckTimer();
    CheckReloadRecovery();
    CheckDictionary();
    CheckBreachTable();
    return summary_;
}

// What the load itself ignored: each unknown section once, every other note
// as it is.
void Diagnosis::ReportLoad() {
    std::set<std::string> sectionsSaid;
    for (const LoadNote& note : load_.Notes()) {
        switch (note.reason) {
            case LoadReason::kRead:
                break;
            case LoadReason::kUnknownSection:
                ignoredLines_.insert(note.line);
                if (sectionsSaid.insert(note.message).second) Add(Severity::kWarning, note.line, note.message);
                break;
            case LoadReason::kUnknownKey:
                ignoredLines_.insert(note.line);
                Add(Severity::kWarning, note.line, note.message);
                break;
            case LoadReason::kMalformedLine:
            case LoadReason::kReadFailed:
                Add(Severity::kWarning, note.line, note.message);
                break;
            default:
                ignoredLines_.insert(note.line);
                Add(Severity::kError, note.line, note.message);
                break;
        }
    }
}

void Diagnosis::CheckKeys() {
    std::set<std::pair<std::string, std::string>> seen;
    for (const ConfigKey& key : load_.Keys()) {
        firstLineOfSection_.emplace(key.section, key.line);
        if (!seen.insert({key.section, key.name}).second) {
            Add(Severity::kNote, key.line, "[" + key.section + "] " + key.name + " is set again: the last value counts");
        }
        if (!Ignored(key.line) && kTextKeys.count(key.name) == 0) CheckInteger(key);
    }
}

void Diagnosis::CheckInteger(const ConfigKey& key) {
    const char* text = key.value.c_str();
    char* end = nullptr;
    errno = 0;
    const long value = strtol(text, &end, 10);
    const auto stored = static_cast<int32_t>(static_cast<uint32_t>(value));
    const std::string subject = "[" + key.section + "] " + key.name + " = \"" + key.value + "\"";
    if (end == text) {
        Add(Severity::kError, key.line, subject + " is not a number; the component reads it as 0");
    } else if (errno == ERANGE || value != stored) {
        Add(Severity::kError, key.line,
            subject + " is out of range; the component reads it as " + std::to_string(stored));
    } else if (*end != '\0') {
        Add(Severity::kWarning, key.line,
            subject + " has text after the number; the component reads it as " + std::to_string(stored));
    }
}

int Diagnosis::FirstLineOfPolicy(int32_t id) const {
    int first = 0;
    for (const auto& [section, sectionId] : store_.sectionMap) {
        const auto line = firstLineOfSection_.find(section);
        if (sectionId != id || line == firstLineOfSection_.end()) continue;
        if (first == 0 || line->second < first) first = line->second;
    }
    return first;
}

int Diagnosis::LastLineOf(const std::string& name) const {
    const std::vector<ConfigKey>& keys = load_.Keys();
    const auto last = std::find_if(keys.rbegin(), keys.rend(), [&](const ConfigKey& key) {
        return !Ignored(key.line) && key.name == name;
    });
    return last == keys.rend() ? 0 : last->line;
}

void Diagnosis::CheckSections() {
    // Sections by id, in the order they appear in the file.
    std::map<int32_t, std::vector<std::pair<int, std::string>>> sectionsById;
    for (const auto& [section, id] : store_.sectionMap) {
        const int line = firstLineOfSection_.count(section) ? firstLineOfSection_.at(section) : 0;
        sectionsById[id].push_back({line, section});
        if (section != "POLICY" + std::to_string(id)) {
            Add(Severity::kWarning, line, "section [" + section + "] is read as policy " + std::to_string(id));
        }
    }
    for (auto& [id, sections] : sectionsById) {
        summary_.policyIds.push_back(id);
        if (sections.size() < 2) continue;
        std::sort(sections.begin(), sections.end());
        std::string names;
        for (const auto& [line, section] : sections) names += (names.empty() ? "[" : ", [") + section + "]";
        Add(Severity::kWarning, sections[1].first,
            names + (sections.size() == 2 ? " both" : " all") + " stand for policy " +
                std::to_string(id) + "; their keys go to one policy");
    }
    // A policy section met before any of policy 0's starts from built-in
    // values instead of a copy of policy 0.
    std::vector<std::pair<int, std::string>> inFileOrder;
    for (const auto& [section, line] : firstLineOfSection_) {
        if (store_.sectionMap.count(section) != 0) inFileOrder.emplace_back(line, section);
    }
    std::sort(inFileOrder.begin(), inFileOrder.end());
    std::set<int32_t> created;
    for (const auto& [line, section] : inFileOrder) {
        const int32_t id = store_.sectionMap.at(section);
        if (!created.insert(id).second) continue;
        if (id == 0) break;
        Add(Severity::kWarning, line,
            "section [" + section + "] comes before policy 0's, so it does not start as a copy of policy 0: "
            "what it does not set keeps built-in values");
    }
    if (sectionsById.count(0) == 0) {
        Add(Severity::kError, 0, "there is no policy 0 ([POLICY0]): the strong check and default "
                                 "generation fail with PPC_ERR_NO_POLICY (3005)");
    }
}

void Diagnosis::CheckPolicies() {
    for (const auto& [id, p] : store_.policyMap) {
        const int line = FirstLineOfPolicy(id);
        const std::string name = "policy " + std::to_string(id);
        if (p.minlen > p.maxlen) {
            Add(Severity::kError, line, name + ": minlen " + std::to_string(p.minlen) + " is above maxlen " +
                                            std::to_string(p.maxlen) + ", so no password can match");
        } else if (p.maxlen < 1) {
            Add(Severity::kError, line, name + ": maxlen " + std::to_string(p.maxlen) +
                                            " leaves no password that can match");
        }
        if (p.minclass > kClassCount) {
            Add(Severity::kError, line, name + ": minclass " + std::to_string(p.minclass) +
                                            " is above 4, the number of classes, so no password can match");
        } else if (p.minclass < 1) {
            Add(Severity::kWarning, line, name + ": minclass " + std::to_string(p.minclass) +
                                              " means the class rule never fails");
        }
        if (p.minlen < kShortestGeneratedLength) {
            Add(Severity::kWarning, line, name + ": minlen " + std::to_string(p.minlen) +
                                              " is below 6, so passwords generated for it without a "
                                              "length are 3006 characters long");
        }
        if (p.specialchar.empty()) {
            Add(Severity::kError, line, name + " has an empty special set: with the special check every "
                                        "password holding a special character fails, and generated "
                                        "passwords hold none");
            continue;
        }
        std::string alphanumeric;
        std::set<char> seen;
        bool duplicates = false;
        for (char c : p.specialchar) {
            if (isalnum(static_cast<unsigned char>(c)) && alphanumeric.find(c) == std::string::npos) {
                alphanumeric += c;
            }
            duplicates |= !seen.insert(c).second;
        }
        if (!alphanumeric.empty()) {
            std::string message = name;
            message += ": the special set holds letters or digits (";
            message += alphanumeric;
            message += "), which never count as special characters";
            Add(Severity::kWarning, line, message);
        }
        if (duplicates) Add(Severity::kNote, line, name + ": the special set names some characters twice");
    }
}

void Diagnosis::CheckReloadRecovery() {
    const int line = LastLineOf("reloadRecovery");
    if (store_.reloadRecovery == 1) return;
    if (store_.reloadRecovery != 0) {
        Add(Severity::kWarning, line, "[BASIC] reloadRecovery " + std::to_string(store_.reloadRecovery) +
                                          " is neither 0 nor 1: it is off");
        return;
    }
    Add(Severity::kNote, line, "[BASIC] reloadRecovery is off: a reload tick may miss a file replaced in the same "
                               "tick as another, or deleted and created again, until the host initialises again");
}

void Diagnosis::CheckTimer() {
    const int line = LastLineOf("timerInterval");
    summary_.timerIntervalSet = line != 0;
    summary_.timerInterval = store_.timerInterval;
    if (line == 0) {
        Add(Severity::kNote, 0, "[BASIC] sets no timerInterval: changes are looked for every 60 minutes");
    } else if (store_.timerInterval <= 0) {
        Add(Severity::kError, line, "[BASIC] timerInterval " + std::to_string(store_.timerInterval) +
                                        " is not a period: a host that starts the reload timer "
                                        "gets no reloads or fails to start");
    } else if (store_.timerInterval > kMaxTimerIntervalMinutes) {
        Add(Severity::kError, line, "[BASIC] timerInterval " + std::to_string(store_.timerInterval) +
                                        " minutes is too long for the timer");
    }
}

void Diagnosis::CheckDictionary() {
    const int line = LastLineOf("weakPwdDic");
    summary_.dictionaryPath = store_.weakPwdDicFile;
    if (summary_.dictionaryPath.empty()) {
        Add(Severity::kError, line, "[BASIC] names no dictionary (weakPwdDic): hosts that use the "
                                    "dictionary cannot start the component");
        return;
    }
    WeakPwdDic dictionary;
    LoadReport loaded;
    const bool opened = dictionary.Load(summary_.dictionaryPath, &loaded) == 0;
    for (const LoadNote& note : loaded.Notes()) {
        if (note.reason == LoadReason::kRead) continue;
        if (note.line > 0) {
            Add(Severity::kWarning, line, "dictionary line " + std::to_string(note.line) + ": " + note.message);
        } else {
            Add(Severity::kError, line, "the dictionary " + summary_.dictionaryPath + " " + note.message +
                                            ": hosts that use the dictionary cannot start the component");
        }
    }
    if (!opened) return;
    summary_.dictionaryLoaded = true;
    summary_.dictionaryEntries = dictionary.Entries();
    if (summary_.dictionaryEntries == 0) {
        Add(Severity::kWarning, line, "the dictionary " + summary_.dictionaryPath + " is empty: no password is weak");
    }
}

// The table is opened as a load opens it: a table that fails here fails
// every host's initialisation.
void Diagnosis::CheckBreachTable() {
    summary_.breachTablePath = store_.breachedPwdTableFile;
    std::vector<std::string> paths;
    std::string problem = breach::ParseTableList(summary_.breachTablePath, &paths);
    if (problem.empty() && paths.empty()) return;
    const int line = LastLineOf("breachedPwdTable");
    const std::unique_ptr<breach::TableSet> tables = problem.empty() ? breach::TableSet::Open(paths, &problem) : nullptr;
    if (!tables) {
        Add(Severity::kError, line, "the breach table " + summary_.breachTablePath + " cannot be used: " + problem +
                                        ": hosts that use the dictionary cannot start the component");
        return;
    }
    summary_.breachTableOpened = true;
    summary_.breachTableEntries = tables->Entries();
    summary_.breachTableBytes = tables->FileBytes();
    summary_.breachTableFalsePositiveRate = tables->FalsePositiveRate();
    double newest = 0;
    for (const auto& table : tables->Tables()) {
        newest = std::max(newest, static_cast<double>(table->Header().buildTime));
        // Every page against its checksum: a lookup that met a damaged page
        // would refuse every password it reads there.
        const breach::VerifyReport verified = table->Verify();
        if (verified.damagedPages != 0) {
            Add(Severity::kError, line,
                "the breach table " + table->Path() + " is damaged: " + std::to_string(verified.damagedPages) +
                    " of " + std::to_string(verified.pages) +
                    " pages fail their checksum, and lookups that read them refuse the password; rebuild it");
        }
    }
    summary_.breachTableAgeDays = std::max(0.0, (static_cast<double>(time(nullptr)) - newest) / 86400);
    if (tables->Entries() == 0) {
        Add(Severity::kWarning, line,
            "the breach table " + summary_.breachTablePath + " is empty: it rejects no password");
    }
}

}  // namespace

ConfigSummary DiagnoseConfigFile(const std::string& path, const std::function<void(const Finding&)>& report) {
    Diagnosis diagnosis(path, report);
    return diagnosis.Run();
}

}  // namespace diagnose
