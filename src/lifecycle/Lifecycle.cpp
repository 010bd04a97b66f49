#include <pthread.h>

#include <exception>
#include <memory>
#include <string>

#include "breach/BreachScreen.h"
#include "lifecycle/DataGuard.h"
#include "lifecycle/Globals.h"
#include "monitor/FileMonitor.h"
#include "monitor/ReloadTimer.h"
#include "pwdpolicy.h"
#include "support/Log.h"

namespace {

constexpr int32_t kConfigUnreadable = 1005;
// InitData's result when the configured breach table cannot be used.
constexpr int32_t kBreachTableUnusable = 13;

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

int32_t InitData() {
    ReloadLock lock;
    PPC_LOG_INFO("InitData", "InitData call policyCfgObj.Init %s\n", kConfigFilePath);
    // Both files are read beside the data in force, and what was read is
    // published in one WriteSection: readers never wait for the reading,
    // and never see a new store with an old dictionary.
    std::unique_ptr<PolicyCfg> store;
    if (policyCfgObj.Load(kConfigFilePath, store) != 0) return kConfigUnreadable;
    const int32_t useDictionary = __atomic_load_n(&gWeakPwdUseInd, __ATOMIC_ACQUIRE);
    PPC_LOG_INFO("InitData", "call weakpwdDic.Init  gWeakPwdUseInd=%i\n", useDictionary);
    int32_t result = 0;
    WeakPwdDic::Content dictionary;
    if (useDictionary == 1) {
        // The path the store will give once published.
        const std::string& dicFile = store->weakPwdDicFile;
        PPC_LOG_INFO("InitData", "InitData call weakpwdDic.Init %s\n", dicFile.c_str());
        result = WeakPwdDic::Load(dicFile, dictionary);
    }
    const bool withDictionary = useDictionary == 1 && result == 0;
    // The breach table goes with the dictionary: opened beside the one in
    // force and published in the same section. A table that cannot be used
    // fails the load as a dictionary does, and the one in force stays.
    // Without the key nothing is opened or logged; an empty value (a key
    // once set, now cleared) puts no table in force.
    BreachScreen::Table table;
    bool withTable = false;
    bool tableOpened = false;
    if (useDictionary == 1) {
        const std::string& tableFile = store->breachedPwdTableFile;
        withTable = true;
        if (!tableFile.empty()) {
            PPC_LOG_INFO("InitData", "InitData call breachTable.Open %s\n", tableFile.c_str());
            std::string problem;
            try {
                table = BreachScreen::Stage(tableFile, &problem);
            } catch (const std::exception&) {
                problem = "out of memory";
            }
            tableOpened = table != nullptr;
            if (!table) {
                PPC_LOG_ERROR("InitData", "breachedPwdTable %s cannot be used: %s\n", tableFile.c_str(),
                              problem.c_str());
                withTable = false;
                if (result == 0) result = kBreachTableUnusable;
            }
        }
    }
    WeakPwdDic::Content replaced;  // destroyed last, after the section
    {
        WriteSection write;
        policyCfgObj.Publish(*store);
        if (withDictionary) replaced = weakpwdDic.Adopt(std::move(dictionary));
        if (withTable) breachScreen.Swap(table);
    }
    if (withDictionary) weakpwdDic.LogLoaded();
    // `table` now holds the replaced table, which no reader can see any
    // more; it is unmapped when InitData returns.
    if (withTable && tableOpened) {
        PPC_LOG_INFO("InitData", "breachTable entries= %llu\n",
                     static_cast<unsigned long long>(breachScreen.Entries()));
    }
    return result;
}

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
    SetInitFlag(0);
    return PPC_OK;
}
