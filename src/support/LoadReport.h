// What a load read, ignored and refused, file by file and line by line.
//
// Every load fills one: the component's own (kept for PPC_VisitLoadReport
// and the PAM module's debug output) and the configuration check's scratch
// loads alike. Tools read these notes; log lines are for people, and no code
// parses them.
#ifndef PWDPOLICY_SUPPORT_LOADREPORT_H
#define PWDPOLICY_SUPPORT_LOADREPORT_H

#include <exception>
#include <string>
#include <vector>

// The file a note is about; the numbers are the PPC_SOURCE_ constants of the
// public header.
enum class LoadSource : unsigned int { kConfiguration = 0, kDictionary = 1, kBreachTable = 2 };

// Why a line, a key or a file took no effect. kRead notes say what a file
// gave; the others what was ignored or why the file failed. The numbers are
// the PPC_NOTE_ constants of the public header.
enum class LoadReason : unsigned int {
    kRead = 0,            // the file was loaded; the message says what it held
    kLineTooLong = 1,     // a configuration line over the parser's limit, ignored whole
    kMalformedLine = 2,   // neither a section, a key nor a comment
    kUnknownSection = 3,  // a key under a section that is neither BASIC nor a policy
    kUnknownKey = 4,      // a key its section does not know
    kNoPolicy = 5,        // a policy section whose record could not be found or made
    kDictionaryEnded = 6, // an empty line ended the dictionary before the end of the file
    kUnreadable = 7,      // the file could not be opened, or is not a regular file
    kReadFailed = 8,      // a read error ended the file early: what came before it was used
    kOutOfMemory = 9,     // the load ran out of memory: nothing of it was used
    kUnusable = 10,       // opened, but its content cannot be used (a damaged breach table)
    kBadValue = 11,       // a policy rule key with a value it cannot take; the rule is unchanged
};

struct LoadNote {
    LoadSource source;
    LoadReason reason;
    std::string file;
    int line;             // 1 for the first line; 0 for the file as a whole
    std::string message;  // what and why, for people
};

// A key line of the configuration, as the parser handed it over.
struct ConfigKey {
    int line;
    std::string section;
    std::string name;
    std::string value;
};

class LoadReport {
public:
    // Throws std::bad_alloc; loads call Note instead.
    void Add(LoadSource source, LoadReason reason, const std::string& file, int line, std::string message) {
        notes_.push_back(LoadNote{source, reason, file, line, std::move(message)});
    }
    const std::vector<LoadNote>& Notes() const { return notes_; }

    // Every key line of the configuration is kept too, from now on (the
    // configuration check asks for it; the component's own loads do not).
    void TraceKeys() { tracingKeys_ = true; }
    bool TracingKeys() const { return tracingKeys_; }
    // Throws std::bad_alloc.
    void AddKey(ConfigKey key) { keys_.push_back(std::move(key)); }
    const std::vector<ConfigKey>& Keys() const { return keys_; }

private:
    std::vector<LoadNote> notes_;
    bool tracingKeys_ = false;
    std::vector<ConfigKey> keys_;
};

// Adds to `report`, when it is not null, the note whose message `message()`
// builds. A note that runs out of memory is dropped: a report never fails a
// load, and a load without a report builds no message.
template <class Message>
void Note(LoadReport* report, LoadSource source, LoadReason reason, const std::string& file, int line,
          Message message) noexcept {
    if (report == nullptr) return;
    try {
        report->Add(source, reason, file, line, message());
    } catch (const std::exception&) {
    }
}

#endif  // PWDPOLICY_SUPPORT_LOADREPORT_H
