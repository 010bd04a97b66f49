#include "diagnose/ConfigDiagnosis.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cctype>
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "breach/BreachTable.h"
#include "check/WeakPwdDic.h"
#include "policy/ConfigReader.h"
#include "policy/PolicyCfg.h"
#include "support/Log.h"

namespace pwdpolicy_internal {
namespace {

// The reload period is timerInterval * 60 seconds in 32-bit arithmetic.
constexpr long kMaxTimerIntervalMinutes = INT_MAX / 60;
// Below this length the generator substitutes its own length of 3006.
constexpr int kShortestGeneratedLength = 6;
constexpr int kClassCount = 4;
// Keys whose value is text; every other key the store takes is a number.
const std::set<std::string> kTextKeys{"specialchar", "weakPwdDic", "breachedPwdTable"};

struct FileCloser {
    void operator()(FILE* file) const { (void)fclose(file); }
};

struct KeyLine {
    int line;
    std::string section;
    std::string name;
    std::string value;
    bool taken;  // the store took it: no line of the handler said otherwise
};

// One diagnosis: the scratch store, the key lines in file order and what
// the component's log said while each was handled.
class Diagnosis {
public:
    Diagnosis(const std::string& path, const std::function<void(const Finding&)>& report)
        : path_(path), report_(report) {}

    ConfigSummary Run();

private:
    void Add(Severity severity, int line, std::string message) {
        report_(Finding{severity, line, std::move(message)});
    }
    static int HandleKey(void* user, const char* section, const char* name, const char* value);
    static void Logged(void* context, int level, const char* function, const char* message);
    void CheckInteger(const KeyLine& key);
    void CheckSections();
    void CheckPolicies();
    void CheckTimer();
    void CheckDictionary();
    void CheckBreachTable();
    int FirstLineOfPolicy(int32_t id) const;
    int LastLineOf(const std::string& name) const;

    const std::string& path_;
    const std::function<void(const Finding&)>& report_;
    ConfigReader* reader_ = nullptr;
    PolicyCfg store_;
    std::vector<KeyLine> keys_;
    std::set<std::string> ignoredSections_;
    std::set<std::pair<std::string, std::string>> seenKeys_;
    std::map<std::string, int> firstLineOfSection_;
    ConfigSummary summary_;
};

ConfigSummary Diagnosis::Run() {
    const int fd = open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        Add(Severity::kError, 0, "cannot open the configuration " + path_ + ": " + strerror(errno));
        return summary_;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        Add(Severity::kError, 0, "the configuration " + path_ + " is not a regular file");
        return summary_;
    }
    std::unique_ptr<FILE, FileCloser> file(fdopen(fd, "r"));
    if (!file) {
        close(fd);
        Add(Severity::kError, 0, "cannot read the configuration " + path_);
        return summary_;
    }
    ConfigReader reader(file.get(), path_);
    reader_ = &reader;
    int malformed = 0;
    {
        PpcLogTap tap(&Diagnosis::Logged, this);
        malformed = reader.Parse(&Diagnosis::HandleKey, this);
    }
    reader_ = nullptr;
    if (malformed < 0) {
        Add(Severity::kError, 0, "cannot read the configuration " + path_);
        return summary_;
    }
    summary_.readable = true;
    if (malformed > 0) {
        Add(Severity::kWarning, malformed,
            "neither a section, a key nor a comment: skipped (only the first such line is reported)");
    }
    if (keys_.empty()) Add(Severity::kError, 0, "the configuration sets no key at all");
    for (const KeyLine& key : keys_) {
        if (key.taken && kTextKeys.count(key.name) == 0) CheckInteger(key);
    }
    CheckSections();
    CheckPolicies();
    CheckTimer();
    CheckDictionary();
    CheckBreachTable();
    return summary_;
}

// The store's own handler does the work; around it, the line and what the
// component logged about the key.
int Diagnosis::HandleKey(void* user, const char* section, const char* name, const char* value) {
    auto* self = static_cast<Diagnosis*>(user);
    const int line = self->reader_->LineNumber();
    self->keys_.push_back(KeyLine{line, section, name, value, true});
    self->firstLineOfSection_.emplace(section, line);
    if (!self->seenKeys_.insert({section, name}).second) {
        self->Add(Severity::kNote, line, std::string("[") + section + "] " + name +
                                             " is set again: the last value counts");
    }
    const size_t recordsBefore = self->store_.policyMap.size();
    const bool policyZeroBefore = self->store_.defaultPolicy != nullptr;
    PolicyCfg::HandlerCfgVal(&self->store_, section, name, value);
    if (self->store_.policyMap.size() > recordsBefore && !policyZeroBefore) {
        const auto id = self->store_.sectionMap.find(section);
        if (id != self->store_.sectionMap.end() && id->second != 0) {
            self->Add(Severity::kWarning, line,
                      std::string("section [") + section + "] comes before policy 0's, so it does "
                      "not start as a copy of policy 0: what it does not set keeps built-in values");
        }
    }
    return 1;  // non-zero: only malformed lines count as parse errors
}

void Diagnosis::Logged(void* context, int level, const char* function, const char* message) {
    auto* self = static_cast<Diagnosis*>(context);
    const int line = self->reader_ != nullptr ? self->reader_->LineNumber() : 0;
    if (strcmp(function, "ConfigReader") == 0 && self->reader_ != nullptr) {
        self->Add(Severity::kError, line,
                  "longer than " + std::to_string(self->reader_->LongestLine()) +
                      " bytes: ignored whole, so no part of it sets a key or opens a section");
        return;
    }
    if (self->keys_.empty() || self->keys_.back().line != line) {
        if (level >= PPC_LOG_WARN) {
            self->Add(level == PPC_LOG_ERROR ? Severity::kError : Severity::kWarning, line, message);
        }
        return;
    }
    KeyLine& key = self->keys_.back();
    if (level == PPC_LOG_INFO && strncmp(message, "unknown section ", 16) == 0) {
        key.taken = false;
        if (!self->ignoredSections_.insert(key.section).second) return;
        if (key.section.empty()) {
            self->Add(Severity::kWarning, line, "keys before the first section are ignored");
            return;
        }
        std::string upper = key.section;
        for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
        const bool caseSlip = upper == "BASIC" || upper.find("POLICY") != std::string::npos;
        self->Add(Severity::kWarning, line,
                  "section [" + key.section + "] is ignored: the component reads [BASIC] and "
                  "sections whose name contains POLICY" +
                      (caseSlip ? " (names are case-sensitive)" : ""));
    } else if (level == PPC_LOG_WARN) {
        key.taken = false;
        self->Add(Severity::kWarning, line, "[" + key.section + "] key " + key.name +
                                                " is ignored: the component does not know it there");
    } else if (level == PPC_LOG_ERROR) {
        key.taken = false;
        self->Add(Severity::kError, line, message);
    }
}

void Diagnosis::CheckInteger(const KeyLine& key) {
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
    int last = 0;
    for (const KeyLine& key : keys_) {
        if (key.taken && key.name == name) last = key.line;
    }
    return last;
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
            Add(Severity::kWarning, line, name + ": the special set holds letters or digits (" +
                                              alphanumeric + "), which never count as special characters");
        }
        if (duplicates) Add(Severity::kNote, line, name + ": the special set names some characters twice");
    }
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
    if (dictionary.Init(summary_.dictionaryPath) != 0) {
        Add(Severity::kError, line, "the dictionary " + summary_.dictionaryPath +
                                        " cannot be opened (or is not a regular file): hosts that use "
                                        "the dictionary cannot start the component");
        return;
    }
    summary_.dictionaryLoaded = true;
    for (const auto& [length, entries] : dictionary.weakPwdMap) summary_.dictionaryEntries += entries.size();
    if (summary_.dictionaryEntries == 0) {
        Add(Severity::kWarning, line, "the dictionary " + summary_.dictionaryPath + " is empty: no password is weak");
    }
    // Where the dictionary ended early: its first line that is empty once
    // trimmed as the component trims entries.
    std::unique_ptr<FILE, FileCloser> file(fopen(summary_.dictionaryPath.c_str(), "re"));
    if (!file) return;
    char* text = nullptr;
    size_t capacity = 0;
    ssize_t length = 0;
    size_t number = 0;
    size_t endLine = 0;
    size_t ignored = 0;
    while ((length = getline(&text, &capacity, file.get())) >= 0) {
        ++number;
        std::string_view entry(text, static_cast<size_t>(length));
        if (!entry.empty() && entry.back() == '\n') entry.remove_suffix(1);
        const bool empty = WeakPwdDic::TrimView(entry).empty();
        if (endLine == 0 && empty) {
            endLine = number;
        } else if (endLine != 0 && !empty) {
            ++ignored;
        }
    }
    free(text);
    if (endLine != 0 && ignored > 0) {
        Add(Severity::kWarning, line,
            "dictionary line " + std::to_string(endLine) + " is empty and ends the dictionary: " +
                (ignored == 1 ? std::string("the line after it is ignored")
                              : "the " + std::to_string(ignored) + " lines after it are ignored"));
    }
}

// The table is opened as a load opens it: a table that fails here fails
// every host's initialisation.
void Diagnosis::CheckBreachTable() {
    summary_.breachTablePath = store_.breachedPwdTableFile;
    if (summary_.breachTablePath.empty()) return;
    const int line = LastLineOf("breachedPwdTable");
    std::string problem;
    const std::unique_ptr<breach::BreachTable> table =
        breach::BreachTable::Open(summary_.breachTablePath, &problem);
    if (!table) {
        Add(Severity::kError, line, "the breach table " + summary_.breachTablePath +
                                        " cannot be used: " + problem +
                                        ": hosts that use the dictionary cannot start the component");
        return;
    }
    summary_.breachTableOpened = true;
    summary_.breachTableEntries = table->Entries();
    summary_.breachTableBytes = table->FileBytes();
    summary_.breachTableFalsePositiveRate = table->FalsePositiveRate();
    const double built = static_cast<double>(table->Header().buildTime);
    summary_.breachTableAgeDays = std::max(0.0, (static_cast<double>(time(nullptr)) - built) / 86400);
    if (table->Entries() == 0) {
        Add(Severity::kWarning, line,
            "the breach table " + summary_.breachTablePath + " is empty: it rejects no password");
    }
}

}  // namespace

ConfigSummary DiagnoseConfigFile(const std::string& path,
                                 const std::function<void(const Finding&)>& report) {
    // One at a time: the log tap serves one diagnosis.
    static std::mutex serial;
    std::lock_guard<std::mutex> hold(serial);
    Diagnosis diagnosis(path, report);
    return diagnosis.Run();
}

}  // namespace pwdpolicy_internal
