#include "lifecycle/Globals.h"

#include "monitor/ReloadTimer.h"
#include "pwdpolicy.h"

int32_t ppcInitFlag = 0;
pthread_mutex_t ppcInitFlagLock = PTHREAD_MUTEX_INITIALIZER;
int32_t gWeakPwdUseInd = 1;

const char kConfigFilePath[] = PPC_CONFIG_PATH;
const char kLibraryVersion[] = PPC_VERSION;

// Construction follows definition order within this file: the dictionary,
// then the store, then the timer release, which is therefore destroyed
// first, before a late tick could reach the other two.
WeakPwdDic weakpwdDic;
PolicyCfg policyCfgObj;
static ReloadTimerRelease reloadTimerRelease;
