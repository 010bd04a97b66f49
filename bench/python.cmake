# A check through the Python module against the same check through the C
# interface, in one process with the interpreter embedded. Needs the module
# and the tests' configuration guard.
if(NOT TARGET pwdpolicy_python OR NOT TARGET ppc_testenv)
  return()
endif()
find_package(Python ${PWDPOLICY_PYTHON_VERSION} EXACT REQUIRED COMPONENTS Development.Embed)
pwdpolicy_bench(PythonCheck_bench ${CMAKE_CURRENT_LIST_DIR}/PythonCheck_bench.cpp)
target_link_libraries(PythonCheck_bench PRIVATE ppc_testenv Python::Python)
target_compile_options(PythonCheck_bench PRIVATE ${PWDPOLICY_WARNINGS})
target_compile_definitions(PythonCheck_bench PRIVATE
  PWDPOLICY_PYTHON_DIR="${PWDPOLICY_PYTHON_BUILD_DIR}"
  PWDPOLICY_SAMPLE_DICTIONARY="${PROJECT_SOURCE_DIR}/config/weakpwd.dic")
add_dependencies(PythonCheck_bench pwdpolicy_python)
