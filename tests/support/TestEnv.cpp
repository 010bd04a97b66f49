#include "TestEnv.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

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
// The source name that tests/support/private-conf.sh gives its tmpfs.
const char kPrivateSource[] = "ppc-test-conf";

// True when this process has a mount namespace of its own (not init's) in
// which the launcher's tmpfs lies over the configuration folder.
bool ConfigFolderIsPrivate() {
    std::error_code error;
    const fs::path own = fs::read_symlink("/proc/self/ns/mnt", error);
    const fs::path init = fs::read_symlink("/proc/1/ns/mnt", error);
    if (!error && own == init) return false;
    // mountinfo: "id parent major:minor root mount-point options... - type source options"
    std::ifstream mounts("/proc/self/mountinfo");
    bool found = false;
    for (std::string line; std::getline(mounts, line);) {
        std::istringstream fields(line);
        std::string id, parent, device, root, point, word;
        fields >> id >> parent >> device >> root >> point;
        while (fields >> word && word != "-") {
        }
        std::string type, source;
        fields >> type >> source;
        // The last mount at the folder is the one in view.
        if (point == kConfigDir) found = type == "tmpfs" && source == kPrivateSource;
    }
    return found;
}

}  // namespace

ConfigFile::ConfigFile() {
    static const bool kPrivate = ConfigFolderIsPrivate();
    if (!kPrivate) {
        throw std::runtime_error(std::string("refusing to write ") + kConfigPath +
                                 ": not in a private mount namespace; run the test under "
                                 "tests/support/private-conf.sh (ctest does)");
    }
}

ConfigFile::~ConfigFile() { Remove(); }

bool MakeConfigFolderPrivate() {
    std::error_code ignored;
    fs::create_directories(kConfigDir, ignored);
    const char* step = "unshare";
    bool done = unshare(CLONE_NEWNS) == 0;
    if (done) {
        step = "private propagation";
        done = mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    }
    if (done) {
        step = "tmpfs";
        done = mount(kPrivateSource, kConfigDir, "tmpfs", 0, "mode=0755") == 0;
    }
    if (!done) fprintf(stderr, "cannot make %s private (%s: %s)\n", kConfigDir, step, strerror(errno));
    return done;
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
