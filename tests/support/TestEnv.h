// Shared helpers for tests that touch the component's fixed configuration
// path and read its log.
#ifndef PWDPOLICY_TESTS_SUPPORT_TESTENV_H
#define PWDPOLICY_TESTS_SUPPORT_TESTENV_H

#include <string>
#include <vector>

namespace testenv {

// The component's fixed configuration path, /usr/local/vesticor/conf/ppc.conf,
// as a test sees it: only inside the private mount namespace that
// tests/support/private-conf.sh (the test launcher) sets up, where an empty
// tmpfs lies over the folder. The constructor throws, failing the test,
// anywhere else, so that a test run by hand cannot damage a machine's real
// configuration. What a test leaves at the path is removed on destruction.
class ConfigFile {
public:
    ConfigFile();
    ~ConfigFile();
    ConfigFile(const ConfigFile&) = delete;
    ConfigFile& operator=(const ConfigFile&) = delete;

    void Write(const std::string& text) const;  // replaces the file in place
    void Remove() const;
    // Puts something other than a readable file at the path. Root ignores
    // permission bits, so "unreadable" is made from kinds of file that no
    // user can read as a configuration: a directory, a FIFO, or a symbolic
    // link to itself (open fails with ELOOP).
    void MakeDirectory() const;
    void MakeFifo() const;
    void MakeSymlinkLoop() const;
    static const char* Path();
};

// For programs that no launcher runs (benchmarks): moves this process into a
// mount namespace of its own, with an empty tmpfs over the configuration
// folder, as tests/support/private-conf.sh does for tests. Call it first in
// main. False, with the reason on stderr, when that is not allowed (it
// needs root).
bool MakeConfigFolderPrivate();

// A scratch directory removed with its contents on destruction.
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

// This process's log, as the test environment directs it (VC_LOG_FILE with
// "%p" for the process id).
std::string LogPath();
void ClearLog();
// The log's lines, each reduced to "LEVEL|function|message" (the time,
// thread id and source line dropped; the message keeps its newlines except
// the last).
std::vector<std::string> LogEntries();
std::string ReadFile(const std::string& path);

}  // namespace testenv

#endif  // PWDPOLICY_TESTS_SUPPORT_TESTENV_H
