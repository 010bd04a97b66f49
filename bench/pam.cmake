# The cost of one password change through pam_pwdpolicy in a fresh process.
# Needs the module and the tests' configuration guard.
if(NOT PWDPOLICY_PAM_INCLUDE_DIR OR NOT TARGET ppc_testenv)
  return()
endif()
add_executable(pam_change ${CMAKE_CURRENT_LIST_DIR}/pam_change.cpp)
target_link_libraries(pam_change PRIVATE pam)

add_executable(pam_change_bench ${CMAKE_CURRENT_LIST_DIR}/PamChange_bench.cpp)
target_link_libraries(pam_change_bench PRIVATE ppc_benchdict ppc_testenv pwdpolicy_data benchmark::benchmark)
target_include_directories(pam_change_bench PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_compile_options(pam_change_bench PRIVATE ${PWDPOLICY_WARNINGS})
target_compile_definitions(pam_change_bench PRIVATE
  PAM_CHANGE_PATH="$<TARGET_FILE:pam_change>" PAM_MODULE_PATH="$<TARGET_FILE:pam_pwdpolicy>"
  PWDPOLICY_SAMPLE_CONFIG="${PROJECT_SOURCE_DIR}/config/ppc.conf"
  PWDPOLICY_SAMPLE_DICTIONARY="${PROJECT_SOURCE_DIR}/config/weakpwd.dic")
add_dependencies(pam_change_bench pam_change pam_pwdpolicy)
