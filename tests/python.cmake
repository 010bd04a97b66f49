# The Python module's pytest suites (python/tests), one process a file: the
# component's state is process-wide. Like every test, each starts through
# the private configuration folder, and logs to test-logs/.
if(NOT TARGET pwdpolicy_python)
  return()
endif()
execute_process(COMMAND ${PWDPOLICY_PYTHON_EXECUTABLE} -c "import pytest, django"
                RESULT_VARIABLE pwdpolicy_python_test_deps OUTPUT_QUIET ERROR_QUIET)
if(pwdpolicy_python_test_deps)
  message(FATAL_ERROR "The Python suites need pytest and Django for ${PWDPOLICY_PYTHON_EXECUTABLE} "
                      "(scripts/install-deps.sh installs python3-pytest and python3-django), "
                      "or -DPWDPOLICY_BUILD_PYTHON=OFF")
endif()

set(python_tests ${PROJECT_SOURCE_DIR}/python/tests)
add_library(ppc_gil_probe SHARED ${python_tests}/gil_probe.c)
target_link_libraries(ppc_gil_probe PRIVATE ${CMAKE_DL_LIBS})
target_compile_options(ppc_gil_probe PRIVATE -Wall -Wextra)

foreach(suite module lifecycle django)
  add_test(NAME Python.${suite}
           COMMAND ${PWDPOLICY_TEST_LAUNCHER} ${PWDPOLICY_PYTHON_EXECUTABLE} -m pytest -q -p no:cacheprovider
                   ${python_tests}/test_${suite}.py)
  set_tests_properties(Python.${suite} PROPERTIES TIMEOUT 120 ENVIRONMENT
    "${PWDPOLICY_TEST_ENV};PYTHONPATH=${PWDPOLICY_PYTHON_BUILD_DIR};PYTHONDONTWRITEBYTECODE=1;PPC_TEST_PASSWORDS=${CMAKE_CURRENT_SOURCE_DIR}/support/TestPasswords.h;PPC_TEST_LD_PRELOAD=$<TARGET_FILE:ppc_gil_probe>")
endforeach()
