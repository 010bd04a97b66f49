#include <pthread.h>

#include "lifecycle/Globals.h"
#include "lifecycle/Reloader.h"
#include "monitor/FileMonitor.h"
#include "pwdpolicy.h"
#include "support/Log.h"

namespace {

bool IsIndicator(int value) { return value == 0 || value == 1; }

void SetInitFlag(int32_t value) { __atomic_store_n(&ppcInitFlag, value, __ATOMIC_RELEASE); }

// Unlocks ppcInitFlagLock on every return path.
class InitFlagLockGuard {
public:
    InitFlagLockGuard() { pthread_mutex_lock(&ppcInitFlagLock); }
    ~InitFlagLockGuard() { pthread_mutex_unlock(&ppcInitFlagLock); }
    InitFlagLockGuard(const InitFlagLockGuard&) = delete;
    InitFlagLockGuard& operator=(const InitFlagLockGuard&) = delete;
};

}  // namespace

void PrintAllInfoToLog() {
    PPC_LOG_INFO("PrintAllInfoToLog", "************PwdPolicy component Info******************\n");
    PPC_LOG_INFO("PrintAllInfoToLog", "PwdPolicyLib version %s\n", kLibraryVersion);
}

extern "C" unsigned int PPC_Initialize(const char* /*confFile: never read*/, int timerStartInd,
                                       int weakPwdUseInd) {
    RunDueTick();
    if (InitFlagIsSet()) return PPC_ERR_ALREADY_INITIALIZED;
    InitFlagLockGuard lock;
    if (InitFlagIsSet()) return PPC_ERR_ALREADY_INITIALIZED;
    InitRandom();
    InitializeDefaultLog();
    if (!IsIndicator(timerStartInd) || !IsIndicator(weakPwdUseInd)) return PPC_ERR_BAD_ARGUMENT;
    __atomic_store_n(&gWeakPwdUseInd, weakPwdUseInd, __ATOMIC_RELEASE);
    PPC_LOG_INFO("PPC_Initialize", "call InitializeLog completed\n");
    if (InitData() != 0) return PPC_ERR_DATA_LOAD;
    PPC_LOG_INFO("PPC_Initialize", "call InitFileMonitor.Init  timerStartInd=%i\n", timerStartInd);
    if (timerStartInd == 1) {
        if (InitFileMonitor() != 0) return PPC_ERR_FILE_MONITOR;
        PPC_LOG_INFO("PPC_Initialize", "call InitTimer.Init\n");
        if (InitTimer() != 0) {
            CloseFileMonitor();
            return PPC_ERR_TIMER;
        }
    }
    PrintAllInfoToLog();
    SetInitFlag(1);
    return PPC_OK;
}

extern "C" unsigned int PPC_Finalize(void) {
    RunDueTick();
    PPC_LOG_INFO("PPC_Finalize", "call Finalize---\n");
    if (!InitFlagIsSet()) {
        PPC_LOG_ERROR("PPC_Finalize", "No initialize component\n");
        return PPC_ERR_NOT_INITIALIZED;
    }
    InitFlagLockGuard lock;
    if (!InitFlagIsSet()) {
        PPC_LOG_ERROR("PPC_Finalize", "No initialize component\n");
        return PPC_ERR_NOT_INITIALIZED;
    }
    CloseFileMonitor();
    StopTimer();
    SetInitFlag(0);
    return PPC_OK;
}
