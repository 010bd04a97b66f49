// Allocation failure on demand: a program that links FailingNew.cpp replaces the global operator
// new for itself and the library (which reaches it through the dynamic linker).
#ifndef PWDPOLICY_TESTS_SUPPORT_FAILINGNEW_H
#define PWDPOLICY_TESTS_SUPPORT_FAILINGNEW_H

namespace testenv {

// The allocation after the next `count` ones throws std::bad_alloc, once; negative: never.
void FailAllocationAfter(long count);
bool AllocationFailed();  // the failure armed last has been thrown

}  // namespace testenv

#endif  // PWDPOLICY_TESTS_SUPPORT_FAILINGNEW_H
