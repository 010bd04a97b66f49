// Fuzzes the log-line routine: the PPC_LOG_* macros with fuzzed text for
// "%s" and fuzzed integers for "%d", with WriteLog replaced here so that
// the line is captured instead of written.
//
// Properties checked besides "no crash, no sanitizer report":
// - a line is at most 1023 characters, and the length handed to WriteLog is
//   the length of the NUL-terminated line;
// - the line is the time stamp followed by "[LEVEL][tid function:line]" and
//   the message, cut to its first 1023 characters when longer;
// - a DEBUG line is built only while CheckLogLevel(1) is not negative.
#include <fuzzer/FuzzedDataProvider.h>

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "FuzzFile.h"
#include "support/Log.h"

namespace {

char captured[4096];
int capturedLength = -1;
int writeCount = 0;
int debugLevelAnswer = 0;
int threadId = 0;

// "Y-M-D hh:mm:ss": the part of a line before its first '['.
bool IsTimeStamp(const std::string& stamp) {
    int fields[6];
    char tail = 0;
    if (sscanf(stamp.c_str(), "%d-%d-%d %2d:%2d:%2d%c", &fields[0], &fields[1], &fields[2],
               &fields[3], &fields[4], &fields[5], &tail) != 6) {
        return false;
    }
    return stamp.size() >= 14 && stamp[stamp.size() - 3] == ':' && stamp[stamp.size() - 6] == ':' &&
           fields[1] >= 1 && fields[1] <= 12 && fields[2] >= 1 && fields[2] <= 31;
}

std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Printf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int wanted = vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text(static_cast<size_t>(wanted) + 1, '\0');
    vsnprintf(text.data(), text.size(), format, again);
    va_end(again);
    text.pop_back();
    return text;
}

// Checks the captured line against what it should say after the stamp.
void CheckLine(const char* level, const char* function, int line, const std::string& message) {
    FUZZ_CHECK(writeCount == 1);
    FUZZ_CHECK(capturedLength >= 0 && capturedLength <= 1023);
    FUZZ_CHECK(static_cast<size_t>(capturedLength) == strlen(captured));
    const std::string got(captured, static_cast<size_t>(capturedLength));
    const size_t bracket = got.find('[');
    FUZZ_CHECK(bracket != std::string::npos);
    const std::string stamp = got.substr(0, bracket);
    FUZZ_CHECK(IsTimeStamp(stamp));
    const std::string whole =
        stamp + Printf("[%s][%d %s:%d]", level, threadId, function, line) + message;
    FUZZ_CHECK(got == whole.substr(0, 1023));
}

void Reset() {
    memset(captured, 0x5A, sizeof captured);
    capturedLength = -1;
    writeCount = 0;
}

}  // namespace

// The support library's side of the log line, replaced for the run.
extern "C" int WriteLog(const char* line, int length) {
    ++writeCount;
    capturedLength = length;
    if (length >= 0 && static_cast<size_t>(length) < sizeof captured) {
        memcpy(captured, line, static_cast<size_t>(length) + 1);  // with its NUL
    }
    return 0;
}
extern "C" int CheckLogLevel(int /*level*/) { return debugLevelAnswer; }
extern "C" int GetThreadId(void) { return threadId; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    debugLevelAnswer = input.ConsumeIntegralInRange<int>(-2, 1);
    threadId = input.ConsumeIntegral<int>();
    const int first = input.ConsumeIntegral<int>();
    const int second = input.ConsumeIntegral<int>();
    const std::string function = input.ConsumeRandomLengthString(80);
    const std::string text = input.ConsumeRandomLengthString(1500);
    const std::string other = input.ConsumeRemainingBytesAsString();
    // The routine takes C strings: what follows a NUL is not part of them.
    const char* fn = function.c_str();
    const char* a = text.c_str();
    const char* b = other.c_str();

    Reset();
    const int line1 = __LINE__; PPC_LOG_INFO(fn, "%s\n", a);
    CheckLine("INFO", fn, line1, Printf("%s\n", a));

    Reset();
    const int line2 = __LINE__; PPC_LOG_WARN(fn, "unknown section %s and name %s\n", a, b);
    CheckLine("WARN", fn, line2, Printf("unknown section %s and name %s\n", a, b));

    Reset();
    const int line3 = __LINE__; PPC_LOG_ERROR(fn, "%d %s %d\n\n", first, b, second);
    CheckLine("ERROR", fn, line3, Printf("%d %s %d\n\n", first, b, second));

    Reset();
    const int line4 = __LINE__; PPC_LOG_DEBUG(fn, "inotify_rm_watch %d %i\n\n", first, second);
    if (debugLevelAnswer < 0) {
        FUZZ_CHECK(writeCount == 0);
    } else {
        CheckLine("DEBUG", fn, line4, Printf("inotify_rm_watch %d %i\n\n", first, second));
    }
    return 0;
}
