# What libpwdpolicy.so exports, and how its references bind.
add_test(NAME exported_symbols
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/symbols/exports.sh $<TARGET_FILE:pwdpolicy>
                 ${PROJECT_SOURCE_DIR}/include/pwdpolicy.h)
# Sanitizer runtimes add no names to the library, but keep the check to the
# build that is released.
if(PWDPOLICY_SANITIZE)
  set_tests_properties(exported_symbols PROPERTIES DISABLED TRUE)
endif()

pwdpolicy_test(HostTimerLock_test CONFIG symbols/HostTimerLock_test.cpp)
