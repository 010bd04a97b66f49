#include "diagnose/ConfigDiagnosis.h"
#include "lifecycle/DataGuard.h"
#include "lifecycle/Globals.h"

namespace pwdpolicy_internal {

StoreView ReadStore() {
    StoreView view;
    ReadSection read;
    for (const auto& [id, record] : policyCfgObj.policyMap) view.policyIds.push_back(id);
    view.dictionaryPath = policyCfgObj.weakPwdDicFile;
    view.timerInterval = policyCfgObj.timerInterval;
    return view;
}

}  // namespace pwdpolicy_internal
