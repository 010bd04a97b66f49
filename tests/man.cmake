# The manual pages render without a warning (-ww: every warning; -z: no output).
find_program(PWDPOLICY_GROFF groff)
if(PWDPOLICY_GROFF)
  set(man ${PROJECT_SOURCE_DIR}/man)
  add_test(NAME ManPages
           COMMAND ${PWDPOLICY_GROFF} -man -ww -z ${man}/ppc.1 ${man}/ppc.conf.5 ${man}/libpwdpolicy.3)
  set_tests_properties(ManPages PROPERTIES FAIL_REGULAR_EXPRESSION ".")
endif()
