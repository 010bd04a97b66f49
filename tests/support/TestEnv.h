#ifndef PWDPOLICY_TESTS_SUPPORT_TESTENV_H
#define PWDPOLICY_TESTS_SUPPORT_TESTENV_H

#include <string>
#include <vector>

namespace testenv {

// The fixed configuration path; the constructor throws outside private-conf.sh's namespace.
class ConfigFile {
public:
    ConfigFile();
    ~ConfigFile() { Remove(); }
    ConfigFile(const ConfigFile&) = delete;
    ConfigFile& operator=(const ConfigFile&) = delete;

    void Write(const std::string& text) const;
    void Remove() const;
    static const char* Path();
};

// For benchmarks, which no launcher runs: private-conf.sh in-process. False without root.
bool MakeConfigFolderPrivate();

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; }
    std::string WriteFile(const std::string& name, const std::string& content) const;

private:
    std::string path_;
};

std::string LogPath();  // VC_LOG_FILE with "%p" replaced
void ClearLog();
// "LEVEL|function|message" per entry, the message without its last newline.
std::vector<std::string> LogEntries();
std::string ReadFile(const std::string& path);

}  // namespace testenv

#endif  // PWDPOLICY_TESTS_SUPPORT_TESTENV_H
