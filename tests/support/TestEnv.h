// Shared helpers for tests that write the fixed configuration path and read the log.
#ifndef PWDPOLICY_TESTS_SUPPORT_TESTENV_H
#define PWDPOLICY_TESTS_SUPPORT_TESTENV_H

#include <string>
#include <vector>

namespace testenv {

// /usr/local/vesticor/conf/ppc.conf, writable only inside the private mount namespace of
// tests/support/private-conf.sh (the test launcher): the constructor throws anywhere else, so a
// test run by hand cannot damage a machine's configuration. Removed on destruction.
class ConfigFile {
public:
    ConfigFile();
    ~ConfigFile() { Remove(); }
    ConfigFile(const ConfigFile&) = delete;
    ConfigFile& operator=(const ConfigFile&) = delete;

    void Write(const std::string& text) const;  // replaces the file in place
    void Remove() const;
    static const char* Path();
};

// For programs no launcher runs (benchmarks): as private-conf.sh does, in this process. Call it
// first in main. False, with the reason on stderr, when not allowed (it needs root).
bool MakeConfigFolderPrivate();

// A scratch directory, removed with its contents on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; }
    // Writes `content` to `name` inside the directory; returns its path.
    std::string WriteFile(const std::string& name, const std::string& content) const;

private:
    std::string path_;
};

std::string LogPath();  // this process's log: VC_LOG_FILE, "%p" standing for the process id
void ClearLog();
// The log's lines as "LEVEL|function|message" (time, thread id and source line dropped; the
// message keeps its newlines except the last).
std::vector<std::string> LogEntries();
std::string ReadFile(const std::string& path);

}  // namespace testenv

#endif  // PWDPOLICY_TESTS_SUPPORT_TESTENV_H
