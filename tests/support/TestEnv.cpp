#include "TestEnv.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace testenv {

namespace {

const char kConfigDir[] = "/usr/local/vesticor/conf";
const char kConfigPath[] = "/usr/local/vesticor/conf/ppc.conf";
const char kLockPath[] = "/usr/local/vesticor/conf/.ppc-test.lock";
const char kBackupPath[] = "/usr/local/vesticor/conf/.ppc-test.backup";
const char kAbsentMark[] = "/usr/local/vesticor/conf/.ppc-test.absent";

void RestoreBackup() {
    std::error_code ignored;
    if (fs::exists(kBackupPath)) {
        fs::remove_all(kConfigPath, ignored);
        fs::rename(kBackupPath, kConfigPath);
    } else if (fs::exists(kAbsentMark)) {
        fs::remove_all(kConfigPath, ignored);
        fs::remove(kAbsentMark, ignored);
    }
}

}  // namespace

ConfigFile::ConfigFile() {
    fs::create_directories(kConfigDir);
    lockFd_ = open(kLockPath, O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lockFd_ < 0 || flock(lockFd_, LOCK_EX) != 0) throw std::runtime_error("config lock");
    RestoreBackup();  // left by a test process that died holding the lock
    if (fs::exists(fs::symlink_status(kConfigPath))) {
        fs::copy(kConfigPath, kBackupPath, fs::copy_options::overwrite_existing |
                                               fs::copy_options::copy_symlinks);
    } else {
        std::ofstream(kAbsentMark).put('\n');
    }
}

ConfigFile::~ConfigFile() {
    RestoreBackup();
    close(lockFd_);  // releases the lock
}

void ConfigFile::Write(const std::string& text) const {
    std::ofstream out(kConfigPath, std::ios::binary | std::ios::trunc);
    out << text;
}

void ConfigFile::Remove() const {
    std::error_code ignored;
    fs::remove_all(kConfigPath, ignored);
}

void ConfigFile::MakeDirectory() const {
    Remove();
    fs::create_directory(kConfigPath);
}

void ConfigFile::MakeFifo() const {
    Remove();
    if (mkfifo(kConfigPath, 0600) != 0) throw std::runtime_error("mkfifo");
}

void ConfigFile::MakeSymlinkLoop() const {
    Remove();
    fs::create_symlink(kConfigPath, kConfigPath);
}

const char* ConfigFile::Path() { return kConfigPath; }

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "ppc-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::string TempDir::WriteFile(const std::string& name, const std::string& content) const {
    const std::string path = path_ + "/" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    return path;
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

namespace {
// Process ids come back in later runs: every test process starts with an
// empty log of its own, whatever an earlier process of that id left.
[[maybe_unused]] const bool kLogStartsEmpty = (ClearLog(), true);
}  // namespace

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> LogEntries() {
    // A line starts with its time stamp; a message may hold further newlines.
    static const std::regex kPrefix(
        R"((\d+)-(\d+)-(\d+) (\d\d):(\d\d):(\d\d)\[(DEBUG|INFO|WARN|ERROR)\]\[(-?\d+) ([^:\]]*):(\d+)\])");
    const std::string log = ReadFile(LogPath());
    std::vector<std::string> entries;
    auto begin = std::sregex_iterator(log.begin(), log.end(), kPrefix);
    std::vector<std::smatch> matches(begin, std::sregex_iterator());
    for (size_t i = 0; i < matches.size(); ++i) {
        const size_t start = matches[i].position(0) + matches[i].length(0);
        const size_t end = i + 1 < matches.size() ? matches[i + 1].position(0) : log.size();
        std::string message = log.substr(start, end - start);
        if (!message.empty() && message.back() == '\n') message.pop_back();
        entries.push_back(matches[i][7].str() + "|" + matches[i][9].str() + "|" + message);
    }
    return entries;
}

}  // namespace testenv
