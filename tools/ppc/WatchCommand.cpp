// watch: runs the component with its file monitor and reload timer, and
// shows each reload as the policies change. The interface tells nothing
// about reloads, so the tool polls the policies once a second and prints
// what differs; it also says when either file changes on disk, since the
// reload itself waits for the component's next timer tick.
#include <pwdpolicy.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <time.h>

#include <cstdlib>
#include <map>

#include "Commands.h"
#include "Component.h"
#include "PolicyTable.h"

namespace ppc {
namespace {

volatile sig_atomic_t stopRequested = 0;

// Runs in signal context: sets a flag and nothing else.
void RequestStop(int) { stopRequested = 1; }

// What tells a rewritten file from an untouched one.
struct FileStamp {
    bool exists = false;
    ino_t inode = 0;
    off_t size = 0;
    struct timespec modified {};

    bool operator==(const FileStamp& o) const {
        return exists == o.exists && inode == o.inode && size == o.size &&
               modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec;
    }
};

FileStamp StampOf(const std::string& path) {
    FileStamp stamp;
    struct stat info {};
    if (path.empty() || stat(path.c_str(), &info) != 0) return stamp;
    stamp.exists = true;
    stamp.inode = info.st_ino;
    stamp.size = info.st_size;
    stamp.modified = info.st_mtim;
    return stamp;
}

std::string Now() {
    char text[16];
    const time_t now = time(nullptr);
    struct tm local {};
    localtime_r(&now, &local);
    strftime(text, sizeof text, "%H:%M:%S", &local);
    return text;
}

struct Snapshot {
    std::map<int, PolicyView> policies;  // those the component holds
    std::string dictionaryPath;
    long timerMinutes = 60;
};

// The policies the component holds now: a policy whose section was
// removed stays, as it does in the component. The period is the armed
// timer's own: a reload does not re-arm it.
Snapshot TakeSnapshot() {
    Snapshot snapshot;
    for (int id : PolicyIds()) {
        PolicyView view;
        if (ReadPolicy(id, &view) == PPC_OK) snapshot.policies[id] = view;
    }
    snapshot.dictionaryPath = LoadedDictionaryPath();
    struct itimerval timer {};
    if (getitimer(ITIMER_REAL, &timer) == 0) snapshot.timerMinutes = timer.it_interval.tv_sec / 60;
    return snapshot;
}

std::string PolicyTableWithoutNewline(const std::vector<PolicyView>& policies) {
    std::string table = PolicyTable(policies);
    table.pop_back();
    return table;
}

Json PoliciesJson(const Snapshot& snapshot) {
    Json list = Json::array();
    for (const auto& [id, view] : snapshot.policies) list.push_back(view.ToJson());
    return list;
}

void ReportFileChange(const Output& out, const std::string& path, const Snapshot& now) {
    out.Answer(Now() + " " + path + " changed on disk; the component reloads at its next tick "
                   "(every " + std::to_string(now.timerMinutes) + " min)",
               Json{{"time", Now()}, {"event", "file-changed"}, {"file", path}});
}

void ReportPolicyChanges(const Output& out, const Snapshot& before, const Snapshot& after) {
    for (const auto& [id, view] : after.policies) {
        const auto old = before.policies.find(id);
        if (old == before.policies.end()) {
            out.Answer(Now() + " reloaded: policy " + std::to_string(id) + " added",
                       Json{{"time", Now()}, {"event", "policy-added"}, {"policy", view.ToJson()}});
        } else if (old->second != view) {
            out.Answer(Now() + " reloaded: policy " + std::to_string(id) + ": " +
                           PolicyChanges(old->second, view),
                       Json{{"time", Now()},
                            {"event", "policy-changed"},
                            {"before", old->second.ToJson()},
                            {"policy", view.ToJson()}});
        }
    }
}

}  // namespace

int RunWatch(const Output& out) {
    const unsigned int started = PPC_Initialize(nullptr, 1, 1);
    if (started != PPC_OK) return out.Failure(started, StartFailureDetail(started));

    // No SA_RESTART: Ctrl-C must cut the one-second sleep short.
    struct sigaction stop {};
    stop.sa_handler = RequestStop;
    sigemptyset(&stop.sa_mask);
    sigaction(SIGINT, &stop, nullptr);
    sigaction(SIGTERM, &stop, nullptr);

    Snapshot current = TakeSnapshot();
    FileStamp configStamp = StampOf(PPC_CONFIG_PATH);
    FileStamp dictionaryStamp = StampOf(current.dictionaryPath);
    out.Answer("watching " PPC_CONFIG_PATH " and " + current.dictionaryPath +
                   "; the component looks for changes every " +
                   std::to_string(current.timerMinutes) + " min. Ctrl-C ends.\n" +
                   PolicyTableWithoutNewline([&] {
                       std::vector<PolicyView> list;
                       for (const auto& [id, view] : current.policies) list.push_back(view);
                       return list;
                   }()),
               Json{{"time", Now()},
                    {"event", "watching"},
                    {"config", PPC_CONFIG_PATH},
                    {"dictionary", current.dictionaryPath},
                    {"timerInterval", current.timerMinutes},
                    {"policies", PoliciesJson(current)}});

    while (!stopRequested) {
        // SIGALRM from the component's timer may end the sleep early too.
        struct timespec second {1, 0};
        nanosleep(&second, nullptr);
        if (stopRequested) break;
        // The tick that SIGALRM marked due runs here, on this loop's terms.
        PPC_RunDueTick();
        const FileStamp newConfigStamp = StampOf(PPC_CONFIG_PATH);
        if (!(newConfigStamp == configStamp)) {
            configStamp = newConfigStamp;
            ReportFileChange(out, PPC_CONFIG_PATH, current);
        }
        Snapshot next = TakeSnapshot();
        const FileStamp newDictionaryStamp = StampOf(next.dictionaryPath);
        if (!(newDictionaryStamp == dictionaryStamp)) {
            dictionaryStamp = newDictionaryStamp;
            ReportFileChange(out, next.dictionaryPath, next);
        }
        ReportPolicyChanges(out, current, next);
        current = std::move(next);
    }

    PPC_Finalize();
    out.Answer(Now() + " stopped", Json{{"time", Now()}, {"event", "stopped"}});
    return kExitOk;
}

}  // namespace ppc
