// config init: puts the sample configuration and dictionary at the fixed
// path when an operator asks. Packages never write there themselves (it is
// under /usr/local, which belongs to the administrator), and an existing
// file is never replaced: each sample is written to a temporary file beside
// its target and linked into place, and link(2) fails rather than overwrite.
#include <pwdpolicy.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "Commands.h"

namespace ppc {

namespace {

// "/usr/local/vesticor/conf", the directory of the fixed configuration path.
std::string ConfigDirectory() {
    const std::string path = PPC_CONFIG_PATH;
    return path.substr(0, path.rfind('/'));
}

std::string ErrnoText(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

// Creates `path` and its missing parents with mode 0755.
bool MakeDirectories(const std::string& path, std::string* error) {
    for (std::size_t slash = 1; slash != std::string::npos;) {
        slash = path.find('/', slash + 1);
        const std::string prefix = path.substr(0, slash);
        if (mkdir(prefix.c_str(), 0755) != 0 && errno != EEXIST) {
            *error = ErrnoText("cannot create", prefix);
            return false;
        }
    }
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        *error = "not a directory: " + path;
        return false;
    }
    return true;
}

enum class Placed { kInstalled, kKept, kFailed };

// Writes `content` to `target` with mode 0644 unless `target` exists.
Placed PlaceFile(const std::string& content, const std::string& target, std::string* error) {
    std::string temp = target + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) {
        *error = ErrnoText("cannot write in the directory of", target);
        return Placed::kFailed;
    }
    bool written = fchmod(fd, 0644) == 0;
    for (std::size_t done = 0; written && done < content.size();) {
        const ssize_t n = write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) continue;
        written = n > 0;
        if (written) done += static_cast<std::size_t>(n);
    }
    written = written && fsync(fd) == 0;
    if (close(fd) != 0) written = false;
    Placed placed = Placed::kFailed;
    if (!written) {
        *error = ErrnoText("cannot write", temp);
    } else if (link(temp.c_str(), target.c_str()) == 0) {
        placed = Placed::kInstalled;
    } else if (errno == EEXIST) {
        placed = Placed::kKept;
    } else {
        *error = ErrnoText("cannot create", target);
    }
    unlink(temp.c_str());
    return placed;
}

bool ReadWhole(const std::string& path, std::string* content) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) return false;
    *content = text.str();
    return true;
}

}  // namespace

int RunConfigInit(const ConfigInitOptions& options, const Output& out) {
    std::string root = options.root;
    while (root.size() > 1 && root.back() == '/') root.pop_back();
    if (root == "/") root.clear();
    const std::string directory = root + ConfigDirectory();

    // Read both samples first, so that a missing one places nothing.
    const char* const names[] = {"ppc.conf", "weakpwd.dic"};
    std::string samples[2];
    for (int i = 0; i < 2; ++i) {
        const std::string sample = options.sampleDir + "/" + names[i];
        if (!ReadWhole(sample, &samples[i])) {
            const std::string message = ErrnoText("cannot read the sample", sample);
            out.Remark("ppc: " + message);
            out.Record(Json{{"error", message}});
            return kExitRuleBroken;
        }
    }
    std::string error;
    if (!MakeDirectories(directory, &error)) {
        out.Remark("ppc: " + error);
        out.Record(Json{{"error", error}});
        return kExitRuleBroken;
    }

    int status = kExitOk;
    Json files = Json::array();
    for (int i = 0; i < 2; ++i) {
        const std::string target = directory + "/" + names[i];
        const Placed placed = PlaceFile(samples[i], target, &error);
        if (placed == Placed::kInstalled) {
            out.Text("installed the sample " + target);
        } else if (placed == Placed::kKept) {
            out.Text("kept the existing " + target);
        } else {
            out.Remark("ppc: " + error);
            status = kExitRuleBroken;
        }
        files.push_back(Json{{"path", target},
                             {"action", placed == Placed::kInstalled ? "installed"
                                        : placed == Placed::kKept    ? "kept"
                                                                     : "failed"}});
        if (placed == Placed::kFailed) files.back()["error"] = error;
    }
    out.Record(Json{{"files", files}, {"ok", status == kExitOk}});
    return status;
}

}  // namespace ppc
