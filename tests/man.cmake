# The manual pages render without a warning: groff's -ww turns on every
# warning, -z discards the output, and any message fails the test.
find_program(PWDPOLICY_GROFF groff)
if(PWDPOLICY_GROFF)
  add_test(NAME ManPages
           COMMAND ${PWDPOLICY_GROFF} -man -ww -z ${PROJECT_SOURCE_DIR}/man/ppc.1
                   ${PROJECT_SOURCE_DIR}/man/ppc.conf.5 ${PROJECT_SOURCE_DIR}/man/libpwdpolicy.3)
  set_tests_properties(ManPages PROPERTIES FAIL_REGULAR_EXPRESSION ".")
endif()
