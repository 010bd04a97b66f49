// The component's process-wide state, and the two data steps of its
// lifecycle. The names are exported: hosts and tests may read them.
//
// policyCfgObj and weakpwdDic are the loader's: InitData parses the
// configuration into the store and loads the dictionary into weakpwdDic,
// under the reload lock, then publishes what they hold as the snapshot in
// force (lifecycle/Snapshot.h). Queries read that snapshot, never these
// two, so PolicyCfg::Init or WeakPwdDic::Init called on them alone changes
// nothing a query sees until the next InitData.
#ifndef PWDPOLICY_LIFECYCLE_GLOBALS_H
#define PWDPOLICY_LIFECYCLE_GLOBALS_H

#include <pthread.h>

#include <cstdint>

#include "check/WeakPwdDic.h"
#include "policy/PolicyCfg.h"

// 1 while initialised. Written only under ppcInitFlagLock (release), read
// anywhere with an acquire load: see InitFlagIsSet.
extern int32_t ppcInitFlag;
// Serialises PPC_Initialize and PPC_Finalize.
extern pthread_mutex_t ppcInitFlagLock;
// 1: InitData loads the dictionary. Written under ppcInitFlagLock.
extern int32_t gWeakPwdUseInd;

extern WeakPwdDic weakpwdDic;
extern PolicyCfg policyCfgObj;

// The configuration file, the only one the component reads.
extern const char kConfigFilePath[];
extern const char kLibraryVersion[];

inline bool InitFlagIsSet() { return __atomic_load_n(&ppcInitFlag, __ATOMIC_ACQUIRE) == 1; }
inline bool DictionaryInUse() { return __atomic_load_n(&gWeakPwdUseInd, __ATOMIC_ACQUIRE) == 1; }

// Loads the configuration and, when gWeakPwdUseInd is 1, the dictionary and
// the breach table, then publishes them as the snapshot in force (a
// configuration that cannot be read publishes nothing). Returns 0, 1005
// when the configuration cannot be read, 12 when the dictionary cannot be
// loaded, 13 when the configured breach table cannot be used, or 14 when
// memory ran out publishing. Keeps what it read, ignored and refused for
// PPC_VisitLoadReport (lifecycle/Loader.h).
int32_t InitData();
// The banner: two INFO lines with the library's version.
void PrintAllInfoToLog();

#endif  // PWDPOLICY_LIFECYCLE_GLOBALS_H
