// breach build, info and check: making and inspecting breach tables, the
// files of breached-password hashes that the component screens against.
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

Json TableJson(const std::string& path, const breach::BreachTable& table) {
    const breach::BreachHeader& header = table.Header();
    const uint64_t entries = table.Entries();
    return Json{{"table", path},
                {"formatVersion", header.formatVersion},
                {"hash", "SHA-1"},
                {"entries", entries},
                {"bytes", table.FileBytes()},
                {"bytesPerEntry", entries == 0 ? 0.0 : static_cast<double>(table.FileBytes()) / entries},
                {"falsePositiveRate", table.FalsePositiveRate()},
                {"lowBits", header.lowBits},
                {"buckets", header.bucketCount},
                {"bucketsPerRecord", header.bucketsPerRecord},
                {"minCount", header.minCount},
                {"built", UtcTime(header.buildTime)}};
}

std::unique_ptr<breach::BreachTable> OpenTable(const std::string& path, std::string* problem) {
    std::string why;
    auto table = breach::BreachTable::Open(path, &why);
    if (!table) *problem = path + ": " + why;
    return table;
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
    if (options.format == "hashes") build.format = breach::InputFormat::kHashes;
    if (options.format == "passwords") build.format = breach::InputFormat::kPasswords;
    ProgressLine progress;
    build.progress = [&](const char* phase, uint64_t done) { progress.Show(phase, done); };
    const auto start = std::chrono::steady_clock::now();
    const breach::BuildResult result = breach::BuildTable(build);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!result.error.empty()) return ToolFailure(out, "breach build: " + result.error);

    std::string problem;
    auto table = OpenTable(options.output, &problem);
    if (!table) return ToolFailure(out, "breach build: the new table does not open: " + problem);
    Json record = TableJson(options.output, *table);
    record["keysRead"] = result.keysRead;
    record["seconds"] = seconds;
    out.Answer(options.output + ": " + std::to_string(result.entries) + " entries from " +
                   std::to_string(result.keysRead) + " read, " + std::to_string(result.fileBytes) +
                   " bytes, false-positive rate " + Scientific(table->FalsePositiveRate()) + ", " +
                   Fixed(seconds, 1) + " s",
               record);
    return kExitOk;
}

int RunBreachInfo(const std::string& path, bool verify, const Output& out) {
    std::string problem;
    auto table = OpenTable(path, &problem);
    if (!table) return ToolFailure(out, "breach info: " + problem);
    Json record = TableJson(path, *table);
    const bool intact = !verify || table->VerifyData();
    if (verify) record["dataChecksum"] = intact ? "ok" : "mismatch";
    if (out.IsJson()) {
        out.Record(record);
    } else {
        std::vector<std::vector<std::string>> rows{
            {"table", path},
            {"format", "version " + std::to_string(table->Header().formatVersion) + ", SHA-1"},
            {"entries", std::to_string(table->Entries())},
            {"bytes", std::to_string(table->FileBytes())},
            {"bytes per entry", Fixed(record["bytesPerEntry"].get<double>(), 3)},
            {"false positives", Scientific(table->FalsePositiveRate()) + " per lookup"},
            {"parameters", "lowBits " + std::to_string(table->Header().lowBits) + ", buckets " +
                               std::to_string(table->Header().bucketCount) + ", min-count " +
                               std::to_string(table->Header().minCount)},
            {"built", UtcTime(table->Header().buildTime)}};
        if (verify) rows.push_back({"data checksum", intact ? "ok" : "MISMATCH: the data was altered"});
        std::cout << FormatTable(rows) << std::flush;
    }
    return intact ? kExitOk : kExitRuleBroken;
}

int RunBreachCheck(const std::string& path, const PasswordArgument& password, const Output& out) {
    std::string problem;
    auto table = OpenTable(path, &problem);
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
    int status = kExitOk;
    while (const char* pwd = reader.Next()) {
        const auto [breached, text] = answer(pwd);
        explicit_bzero(const_cast<char*>(pwd), strlen(pwd));
        out.Answer(text, Json{{"line", reader.LineNumber()}, {"breached", breached}, {"message", text}});
        if (breached) status = kExitRuleBroken;
    }
    return reader.Refusal().empty() ? status : out.Refuse(reader.Refusal());
}

}  // namespace ppc
