// What the component's last load read, ignored and refused (InitData,
// lifecycle/Globals.h, is the load itself).
#ifndef PWDPOLICY_LIFECYCLE_LOADER_H
#define PWDPOLICY_LIFECYCLE_LOADER_H

#include <memory>

#include "support/LoadReport.h"

// The report of the last InitData, published or not; null before the first
// or when memory ran out keeping it.
std::shared_ptr<const LoadReport> LastLoadReport();

#endif  // PWDPOLICY_LIFECYCLE_LOADER_H
