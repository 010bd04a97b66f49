#include "lifecycle/Globals.h"

#include "lifecycle/Reloader.h"
#include "lifecycle/Snapshot.h"
#include "pwdpolicy.h"

int32_t ppcInitFlag = 0;
pthread_mutex_t ppcInitFlagLock = PTHREAD_MUTEX_INITIALIZER;
int32_t gWeakPwdUseInd = 1;

const char kConfigFilePath[] = PPC_CONFIG_PATH;
const char kLibraryVersion[] = PPC_VERSION;

// Construction follows definition order within this file: the dictionary,
// the store, the snapshot in force, then the reloader's release, which is
// therefore destroyed first, before a late tick could reach the others.
WeakPwdDic weakpwdDic;
PolicyCfg policyCfgObj;
DataInForce dataInForce;
static ReloaderRelease reloaderRelease;
