// The component's process-wide state. Every name here is exported, so tests
// and hosts that have always reached them by name keep doing so.
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

// Loads the configuration and, when gWeakPwdUseInd is 1, the dictionary.
// 0, 1005 when the configuration cannot be read, else the dictionary's code,
// or 13 when the configured breach table cannot be used.
int32_t InitData();
void PrintAllInfoToLog();

#endif  // PWDPOLICY_LIFECYCLE_GLOBALS_H
