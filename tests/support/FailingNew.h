// Fault injection for allocations. A test program that links FailingNew.cpp
// replaces the global operator new for itself and the library (the library
// reaches it through the dynamic linker).
#ifndef PWDPOLICY_TESTS_SUPPORT_FAILINGNEW_H
#define PWDPOLICY_TESTS_SUPPORT_FAILINGNEW_H

namespace testenv {

// The allocation after the next `count` ones throws std::bad_alloc, once;
// a negative count turns injection off.
void FailAllocationAfter(long count);
// True when the failure armed last has been thrown.
bool AllocationFailed();

}  // namespace testenv

#endif  // PWDPOLICY_TESTS_SUPPORT_FAILINGNEW_H
