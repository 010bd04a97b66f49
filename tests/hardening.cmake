# Hostile, broken and oversized files, and password hygiene.
pwdpolicy_test(HostileFiles_test CONFIG RELOAD INTERNAL hardening/HostileFiles_test.cpp)

# LogHygiene_test is registered like pwdpolicy_test(CONFIG) does, plus the
# fixture that orders the log scan after it.
add_executable(LogHygiene_test hardening/LogHygiene_test.cpp)
target_link_libraries(LogHygiene_test PRIVATE pwdpolicy vc-common vc-tidesafe ppc_testenv
                      GTest::gtest_main Threads::Threads)
target_include_directories(LogHygiene_test PRIVATE ${PROJECT_SOURCE_DIR}/src)
set_target_properties(LogHygiene_test PROPERTIES CROSSCOMPILING_EMULATOR "${PWDPOLICY_TEST_LAUNCHER}")
gtest_discover_tests(LogHygiene_test
  PROPERTIES ENVIRONMENT "${PWDPOLICY_TEST_ENV}" TIMEOUT 120
             FIXTURES_REQUIRED ppc_log_hygiene LABELS reload
  DISCOVERY_TIMEOUT 60)

# Searches every test log for the distinctive test passwords. It runs after
# LogHygiene_test (fixture clean-up), alone and, having the lowest cost,
# after the other suites of a full run.
add_test(NAME PasswordHygiene.ScanTestLogs
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/hardening/scan-logs.sh
          ${CMAKE_CURRENT_SOURCE_DIR}/support/TestPasswords.h ${PWDPOLICY_TEST_LOG_DIR})
set_tests_properties(PasswordHygiene.ScanTestLogs PROPERTIES
  FIXTURES_CLEANUP ppc_log_hygiene RUN_SERIAL TRUE COST -1000)
