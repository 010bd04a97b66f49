// breach build, info and check: making and inspecting breach tables, the
// files of breached-password hashes that the component screens against, and
// sets of them (a base and its deltas).
#include <string.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <iostream>

#include "Commands.h"
#include "PasswordInput.h"
#include "breach/BreachBuilder.h"
#include "breach/BreachTable.h"
#include "breach/TableSet.h"
#include "check/Trim.h"

namespace ppc {
namespace {

int ToolFailure(const Output& out, const std::string& message) {
    if (out.IsJson()) {
        out.Record(Json{{"error", {{"message", message}}}});
    } else {
        std::cerr << "ppc: " << message << '\n';
    }
    return kExitFailure;
}

std::string Fixed(double value, int digits) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", digits, value);
    return text;
}

std::string Scientific(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2e", value);
    return text;
}

std::string UtcTime(uint64_t seconds) {
    const time_t at = static_cast<time_t>(seconds);
    struct tm parts {};
    gmtime_r(&at, &parts);
    char text[32];
    strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

// One line on standard error, rewritten in place, at most twice a second.
class ProgressLine {
public:
    ProgressLine() : shown_(isatty(STDERR_FILENO) == 1), start_(Clock::now()), last_(start_) {}
    ~ProgressLine() {
        if (drawn_) std::fputs("\r\033[K", stderr);
    }
    void Show(const char* phase, uint64_t done) {
        if (!shown_) return;
        const auto now = Clock::now();
        if (now - last_ < std::chrono::milliseconds(500)) return;
        last_ = now;
        const double seconds = std::chrono::duration<double>(now - start_).count();
        std::fprintf(stderr, "\r\033[K%s: %llu entries, %.0f s", phase, static_cast<unsigned long long>(done),
                     seconds);
        std::fflush(stderr);
        drawn_ = true;
    }

private:
    using Clock = std::chrono::steady_clock;
    bool shown_;
    bool drawn_ = false;
    Clock::time_point start_;
    Clock::time_point last_;
};

Json TableJson(const breach::BreachTable& table) {
    const breach::BreachHeader& header = table.Header();
    const uint64_t entries = table.Entries();
    return Json{{"table", table.Path()},
                {"formatVersion", header.formatVersion},
                {"hash", "SHA-1"},
                {"entries", entries},
                {"bytes", table.FileBytes()},
                {"bytesPerEntry", entries == 0 ? 0.0 : static_cast<double>(table.FileBytes()) / entries},
                {"falsePositiveRate", table.FalsePositiveRate()},
                {"resultBits", header.resultBits},
                {"dataPages", header.dataPages},
                {"exceptions", header.exceptionCount},
                {"minCount", header.minCount},
                {"built", UtcTime(header.buildTime)}};
}

std::vector<std::vector<std::string>> TableRows(const breach::BreachTable& table, const Json& record) {
    const breach::BreachHeader& header = table.Header();
    return {{"table", table.Path()},
            {"format", "version " + std::to_string(header.formatVersion) + ", SHA-1"},
            {"entries", std::to_string(table.Entries())},
            {"bytes", std::to_string(table.FileBytes())},
            {"bytes per entry", Fixed(record["bytesPerEntry"].get<double>(), 3)},
            {"false positives", Scientific(table.FalsePositiveRate()) + " per lookup"},
            {"parameters", std::to_string(header.resultBits) + "-bit fingerprints, " +
                               std::to_string(header.dataPages) + " data pages, " +
                               std::to_string(header.exceptionCount) + " exceptions, min-count " +
                               std::to_string(header.minCount)},
            {"built", UtcTime(header.buildTime)}};
}

// The tables a command line names: one path, or several separated by commas
// as in the configuration's "breachedPwdTable".
std::unique_ptr<breach::TableSet> OpenTables(const std::string& list, std::string* problem) {
    std::vector<std::string> paths;
    const std::string listProblem = breach::ParseTableList(list, &paths);
    if (!listProblem.empty() || paths.empty()) {
        *problem = list + ": " + (listProblem.empty() ? "no table named" : listProblem);
        return nullptr;
    }
    std::string why;
    auto set = breach::TableSet::Open(paths, &why);
    if (!set) *problem = paths.size() == 1 ? paths[0] + ": " + why : why;
    return set;
}

}  // namespace

int RunBreachBuild(const BreachBuildOptions& options, const Output& out) {
    breach::BuildOptions build;
    build.inputs = options.inputs;
    build.output = options.output;
    build.minCount = options.minCount;
    build.falsePositiveRate = options.falsePositiveRate;
    build.memoryBytes = static_cast<size_t>(options.memoryMiB) << 20;
    build.tempDir = options.tempDir;
    if (!options.skipMembersOf.empty()) {
        const std::string problem = breach::ParseTableList(options.skipMembersOf, &build.skipMembersOf);
        if (!problem.empty()) return ToolFailure(out, "breach build: --skip-members-of: " + problem);
    }
    if (options.format == "hashes") build.format = breach::InputFormat::kHashes;
    if (options.format == "passwords") build.format = breach::InputFormat::kPasswords;
    ProgressLine progress;
    build.progress = [&](const char* phase, uint64_t done) { progress.Show(phase, done); };
    const auto start = std::chrono::steady_clock::now();
    const breach::BuildResult result = breach::BuildTable(build);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!result.error.empty()) return ToolFailure(out, "breach build: " + result.error);

    std::string problem;
    auto table = breach::BreachTable::Open(options.output, &problem);
    if (!table) return ToolFailure(out, "breach build: the new table does not open: " + problem);
    Json record = TableJson(*table);
    record["keysRead"] = result.keysRead;
    record["skipped"] = result.skipped;
    record["temporaryBytes"] = result.spoolBytes;
    record["seconds"] = seconds;
    std::string line = options.output + ": " + std::to_string(result.entries) + " entries from " +
                       std::to_string(result.keysRead) + " read";
    if (!build.skipMembersOf.empty()) line += " (" + std::to_string(result.skipped) + " already in the set)";
    out.Answer(line + ", " + std::to_string(result.fileBytes) + " bytes, false-positive rate " +
                   Scientific(table->FalsePositiveRate()) + ", " + Fixed(seconds, 1) + " s",
               record);
    return kExitOk;
}

int RunBreachInfo(const std::string& tables, bool verify, const Output& out) {
    std::string problem;
    auto set = OpenTables(tables, &problem);
    if (!set) return ToolFailure(out, "breach info: " + problem);
    bool intact = true;
    for (const auto& table : set->Tables()) {
        Json record = TableJson(*table);
        std::vector<std::vector<std::string>> rows = TableRows(*table, record);
        if (verify) {
            ProgressLine progress;
            const breach::VerifyReport report =
                table->Verify([&](uint64_t done, uint64_t) { progress.Show("verifying", done); });
            record["dataChecksum"] = report.damagedPages == 0 ? "ok" : "damaged";
            record["damagedPages"] = report.damagedPages;
            record["firstDamagedPages"] = report.firstDamaged;
            std::string pages;
            for (uint64_t page : report.firstDamaged) pages += (pages.empty() ? "" : ", ") + std::to_string(page);
            rows.push_back({"pages", report.damagedPages == 0
                                         ? "all " + std::to_string(report.pages) + " data pages intact"
                                         : "DAMAGED: " + std::to_string(report.damagedPages) + " of " +
                                               std::to_string(report.pages) + " (pages " + pages +
                                               "): rebuild the table"});
            intact = intact && report.damagedPages == 0;
        }
        if (out.IsJson()) {
            out.Record(record);
        } else {
            if (table != set->Tables().front()) std::cout << '\n';
            std::cout << FormatTable(rows) << std::flush;
        }
    }
    if (set->Tables().size() > 1 && !out.IsJson()) {
        std::cout << '\n'
                  << FormatTable({{"set", std::to_string(set->Tables().size()) + " tables"},
                                  {"entries", std::to_string(set->Entries())},
                                  {"bytes", std::to_string(set->FileBytes())},
                                  {"false positives", Scientific(set->FalsePositiveRate()) + " per lookup"}})
                  << std::flush;
    }
    return intact ? kExitOk : kExitRuleBroken;
}

int RunBreachCheck(const std::string& tables, const PasswordArgument& password, bool count, const Output& out) {
    std::string problem;
    auto table = OpenTables(tables, &problem);
    if (!table) return ToolFailure(out, "breach check: " + problem);
    // Trimmed as the component trims before it looks a password up; an
    // empty password is never looked up, as the dictionary never holds one.
    auto answer = [&](const char* pwd) {
        const std::string_view trimmed = TrimPassword(pwd);
        const bool breached = !trimmed.empty() && table->ContainsPassword(trimmed);
        return std::make_pair(breached, breached ? std::string("breached: in the table") : "not breached");
    };
    if (!password.FromInput()) {
        if (const std::string refusal = RefusalOf(*password.text); !refusal.empty()) return out.Refuse(refusal);
        const auto [breached, text] = answer(password.text->c_str());
        out.Answer(text, Json{{"breached", breached}, {"message", text}});
        return breached ? kExitRuleBroken : kExitOk;
    }
    PasswordReader reader;
    uint64_t breachedCount = 0;
    while (const char* pwd = reader.Next()) {
        const auto [breached, text] = answer(pwd);
        explicit_bzero(const_cast<char*>(pwd), strlen(pwd));
        breachedCount += breached ? 1 : 0;
        if (count) continue;
        if (out.IsJson()) {
            out.Record(Json{{"line", reader.LineNumber()}, {"breached", breached}, {"message", text}});
        } else {
            out.Text(text);
        }
    }
    if (!reader.Refusal().empty()) return out.Refuse(reader.Refusal());
    if (count) {
        out.Answer(std::to_string(breachedCount) + " of " + std::to_string(reader.LineNumber()) + " breached",
                   Json{{"breached", breachedCount}, {"checked", reader.LineNumber()}});
    }
    return breachedCount > 0 ? kExitRuleBroken : kExitOk;
}

}  // namespace ppc
