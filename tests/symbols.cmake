# What libpwdpolicy.so exports (not in sanitizer builds: the check is for the build released).
add_test(NAME exported_symbols
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/symbols/exports.sh $<TARGET_FILE:pwdpolicy>
                 ${PROJECT_SOURCE_DIR}/include/pwdpolicy.h)
if(PWDPOLICY_SANITIZE)
  set_tests_properties(exported_symbols PROPERTIES DISABLED TRUE)
endif()
