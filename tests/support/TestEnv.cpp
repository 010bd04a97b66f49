#include "TestEnv.h"

#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <stdexcept>

namespace fs = std::filesystem;

namespace testenv {

const char kConfigDir[] = "/usr/local/vesticor/conf";
const char kConfigPath[] = "/usr/local/vesticor/conf/ppc.conf";
const char kPrivateSource[] = "ppc-test-conf";  // the launcher's tmpfs

// The launcher's tmpfs is the last mount on the folder.
static bool ConfigFolderIsPrivate() {
    std::ifstream mounts("/proc/self/mountinfo");
    bool found = false;
    for (std::string line; std::getline(mounts, line);) {
        if (line.find(std::string(" ") + kConfigDir + " ") == std::string::npos) continue;
        found = line.find(std::string(" - tmpfs ") + kPrivateSource + " ") != std::string::npos;
    }
    return found;
}

ConfigFile::ConfigFile() {
    static const bool kPrivate = ConfigFolderIsPrivate();
    if (!kPrivate) {
        throw std::runtime_error(std::string("refusing to write ") + kConfigPath +
                                 ": run the test under tests/support/private-conf.sh (ctest does)");
    }
}

void ConfigFile::Write(const std::string& text) const {
    std::ofstream(kConfigPath, std::ios::binary | std::ios::trunc) << text;
}

void ConfigFile::Remove() const {
    std::error_code ignored;
    fs::remove_all(kConfigPath, ignored);
}

const char* ConfigFile::Path() { return kConfigPath; }

bool MakeConfigFolderPrivate() {
    std::error_code ignored;
    fs::create_directories(kConfigDir, ignored);
    return unshare(CLONE_NEWNS) == 0 && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
           mount(kPrivateSource, kConfigDir, "tmpfs", 0, "mode=0755") == 0;
}

TempDir::TempDir() : path_((fs::temp_directory_path() / "ppc-test-XXXXXX").string()) {
    if (mkdtemp(path_.data()) == nullptr) throw std::runtime_error("mkdtemp");
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::string TempDir::WriteFile(const std::string& name, const std::string& content) const {
    std::ofstream(path_ + "/" + name, std::ios::binary | std::ios::trunc) << content;
    return path_ + "/" + name;
}

std::string LogPath() {
    const char* pattern = getenv("VC_LOG_FILE");
    if (pattern == nullptr) return "/usr/local/vesticor/log/vc-common.log";
    std::string path(pattern);
    const size_t at = path.find("%p");
    if (at != std::string::npos) path.replace(at, 2, std::to_string(getpid()));
    return path;
}

void ClearLog() { truncate(LogPath().c_str(), 0); }

// Process ids are reused: each test process starts with an empty log of its own. A
// benchmark run by hand without VC_LOG_FILE logs to the machine's file: leave that alone.
[[maybe_unused]] static const bool kLogStartsEmpty = getenv("VC_LOG_FILE") != nullptr && (ClearLog(), true);

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::vector<std::string> LogEntries() {
    static const std::regex kPrefix(
        R"(\d+-\d+-\d+ \d\d:\d\d:\d\d\[(DEBUG|INFO|WARN|ERROR)\]\[-?\d+ ([^:\]]*):\d+\])");
    const std::string log = ReadFile(LogPath());
    const std::vector<std::smatch> matches(std::sregex_iterator(log.begin(), log.end(), kPrefix), {});
    std::vector<std::string> entries;
    for (size_t i = 0; i < matches.size(); ++i) {
        const size_t start = matches[i].position(0) + matches[i].length(0);
        const size_t end = i + 1 < matches.size() ? matches[i + 1].position(0) : log.size();
        std::string message = log.substr(start, end - start);
        if (!message.empty() && message.back() == '\n') message.pop_back();
        entries.push_back(matches[i][1].str() + "|" + matches[i][2].str() + "|" + message);
    }
    return entries;
}

}  // namespace testenv
