# ppc run as a user would: a process, its output and its exit status.
find_package(nlohmann_json 3 REQUIRED)

add_library(ppc_toolrunner STATIC tool/ToolRunner.cpp)
target_include_directories(ppc_toolrunner PUBLIC tool)
target_link_libraries(ppc_toolrunner PUBLIC ppc_testenv nlohmann_json::nlohmann_json)
target_compile_definitions(ppc_toolrunner PUBLIC PPC_TOOL_PATH="$<TARGET_FILE:ppc>")
add_dependencies(ppc_toolrunner ppc)

# A configuration for a command run by hand: run it under
# tests/support/private-conf.sh.
add_executable(with_config tool/WithConfig.cpp)
target_link_libraries(with_config PRIVATE ppc_toolrunner)

# Each runs ppc, which inherits the test's private configuration folder. The
# breach commands and config init (under --root) read no configuration.
pwdpolicy_test(CheckCommands_test CONFIG tool/CheckCommands_test.cpp)
pwdpolicy_test(GenCommand_test CONFIG tool/GenCommand_test.cpp)
pwdpolicy_test(ConfigCheck_test CONFIG tool/ConfigCheck_test.cpp)
pwdpolicy_test(WatchCommand_test CONFIG RELOAD tool/WatchCommand_test.cpp)
pwdpolicy_test(Examples_test CONFIG tool/Examples_test.cpp)
pwdpolicy_test(ConfigInit_test tool/ConfigInit_test.cpp)
pwdpolicy_test(BreachCommands_test tool/BreachCommands_test.cpp)
foreach(name CheckCommands_test GenCommand_test ConfigCheck_test WatchCommand_test Examples_test
             ConfigInit_test BreachCommands_test)
  target_link_libraries(${name} PRIVATE ppc_toolrunner)
endforeach()
target_compile_definitions(Examples_test PRIVATE EXAMPLE_C_HOST="$<TARGET_FILE:example_c_host>"
                           EXAMPLE_CPP_HOST="$<TARGET_FILE:example_cpp_host>")
add_dependencies(Examples_test example_c_host example_cpp_host)
