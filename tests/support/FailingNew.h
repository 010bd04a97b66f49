// Linked in, replaces operator new for the program and the library: allocation failure on demand.
#ifndef PWDPOLICY_TESTS_SUPPORT_FAILINGNEW_H
#define PWDPOLICY_TESTS_SUPPORT_FAILINGNEW_H

namespace testenv {

// The allocation after the next `count` ones throws std::bad_alloc, once; negative: never.
void FailAllocationAfter(long count);
bool AllocationFailed();  // the failure armed last has been thrown

}  // namespace testenv

#endif  // PWDPOLICY_TESTS_SUPPORT_FAILINGNEW_H
