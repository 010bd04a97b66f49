pwdpolicy_test(HostileFiles_test CONFIG RELOAD INTERNAL hardening/HostileFiles_test.cpp)
pwdpolicy_test(LogHygiene_test CONFIG RELOAD hardening/LogHygiene_test.cpp support/FailingNew.cpp
               PROPERTIES FIXTURES_REQUIRED ppc_log_hygiene)
# After LogHygiene_test (fixture clean-up), alone and (lowest cost) after the other suites.
add_test(NAME PasswordHygiene.ScanTestLogs
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/hardening/scan-logs.sh
                 ${CMAKE_CURRENT_SOURCE_DIR}/support/TestPasswords.h ${PWDPOLICY_TEST_LOG_DIR})
set_tests_properties(PasswordHygiene.ScanTestLogs PROPERTIES FIXTURES_CLEANUP ppc_log_hygiene RUN_SERIAL TRUE
                     COST -1000)
