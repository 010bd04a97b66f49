# ppc run as a user would: a process, its output and its exit status.
find_package(nlohmann_json 3 REQUIRED)

add_library(ppc_toolrunner STATIC tool/ToolRunner.cpp)
target_include_directories(ppc_toolrunner PUBLIC tool)
target_link_libraries(ppc_toolrunner PUBLIC ppc_testenv)
target_compile_definitions(ppc_toolrunner PUBLIC PPC_TOOL_PATH="$<TARGET_FILE:ppc>")
add_dependencies(ppc_toolrunner ppc)

# A configuration for a command run by hand: run it under
# tests/support/private-conf.sh.
add_executable(with_config tool/WithConfig.cpp)
target_link_libraries(with_config PRIVATE ppc_testenv)

# ppc_tool_test(NAME SOURCES...): a GoogleTest program that runs ppc, which
# inherits the test's private configuration folder.
function(ppc_tool_test name)
  pwdpolicy_test(${name} CONFIG ${ARGN})
  target_link_libraries(${name} PRIVATE ppc_toolrunner nlohmann_json::nlohmann_json)
endfunction()

ppc_tool_test(CheckCommands_test tool/CheckCommands_test.cpp)
ppc_tool_test(GenCommand_test tool/GenCommand_test.cpp)
ppc_tool_test(PolicyCommands_test tool/PolicyCommands_test.cpp)
ppc_tool_test(ConfigCheck_test tool/ConfigCheck_test.cpp)
ppc_tool_test(Main_test tool/Main_test.cpp)
ppc_tool_test(WatchCommand_test RELOAD tool/WatchCommand_test.cpp)

# config init works under scratch roots only: no configuration lock needed.
pwdpolicy_test(ConfigInit_test tool/ConfigInit_test.cpp)
target_link_libraries(ConfigInit_test PRIVATE ppc_toolrunner nlohmann_json::nlohmann_json)

ppc_tool_test(Examples_test tool/Examples_test.cpp)
target_compile_definitions(Examples_test PRIVATE EXAMPLE_C_HOST="$<TARGET_FILE:example_c_host>"
                           EXAMPLE_CPP_HOST="$<TARGET_FILE:example_cpp_host>")
add_dependencies(Examples_test example_c_host example_cpp_host)

# The breach commands read no configuration: they may run beside the others.
pwdpolicy_test(BreachCommands_test tool/BreachCommands_test.cpp)
target_link_libraries(BreachCommands_test PRIVATE ppc_toolrunner nlohmann_json::nlohmann_json)
