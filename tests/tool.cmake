# ppc run as a user would: a process, its output and its exit status.
find_package(nlohmann_json 3 REQUIRED)
add_library(ppc_toolrunner STATIC tool/ToolRunner.cpp)
target_include_directories(ppc_toolrunner PUBLIC tool)
target_link_libraries(ppc_toolrunner PUBLIC ppc_testenv nlohmann_json::nlohmann_json)
target_compile_definitions(ppc_toolrunner PUBLIC PPC_TOOL_PATH="$<TARGET_FILE:ppc>")
add_dependencies(ppc_toolrunner ppc)
# A configuration for a command run by hand under tests/support/private-conf.sh.
add_executable(with_config tool/WithConfig.cpp)
target_link_libraries(with_config PRIVATE ppc_toolrunner)

# ppc inherits the test's private configuration folder; breach and config init (--root) read none.
pwdpolicy_test(WatchCommand_test CONFIG RELOAD tool/WatchCommand_test.cpp)
target_link_libraries(WatchCommand_test PRIVATE ppc_toolrunner)
foreach(name CheckCommands GenCommand ConfigCheck ConfigInit BreachCommands)
  pwdpolicy_test(${name}_test tool/${name}_test.cpp)
  target_link_libraries(${name}_test PRIVATE ppc_toolrunner)
endforeach()

# The example hosts, run as a user would against a small configuration; they exit 1 when a call fails.
file(GENERATE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/example.conf CONTENT
     "[BASIC]\nweakPwdDic=${PROJECT_SOURCE_DIR}/config/weakpwd.dic\n[POLICY0]\nminlen=10\nmaxlen=20\nminclass=3\n")
foreach(host example_c_host example_cpp_host)
  add_test(NAME Examples.${host} COMMAND ${PWDPOLICY_TEST_LAUNCHER} $<TARGET_FILE:with_config>
           ${CMAKE_CURRENT_BINARY_DIR}/example.conf $<TARGET_FILE:${host}> Blue-Kettle-42)
  set_tests_properties(Examples.${host} PROPERTIES ENVIRONMENT "${PWDPOLICY_TEST_ENV}"
                       PASS_REGULAR_EXPRESSION "verdict for policy 0: 0 \\(matches\\).*generated a password of 1[06]")
endforeach()
