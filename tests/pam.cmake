# pam_pwdpolicy run by libpam itself under pam_wrapper: private service files
# stack the module over pam_matrix (a test module that keeps passwords in a
# file of its own), and uid_wrapper lets a case be root or not. Needs no root
# and touches no real PAM configuration.
if(NOT PWDPOLICY_PAM_INCLUDE_DIR)
  return()
endif()
find_package(pamtest CONFIG QUIET)
find_package(pam_wrapper CONFIG QUIET)
find_package(uid_wrapper CONFIG QUIET)
if(NOT pamtest_FOUND OR NOT pam_wrapper_FOUND OR NOT uid_wrapper_FOUND)
  message(STATUS "PwdPolicy: PAM module tests off (needs libpamtest0-dev, libpam-wrapper, libuid-wrapper)")
  return()
endif()

# One service per set of module options (service|options). pam_set_items puts
# $PAM_AUTHTOK in place as a previous module would.
set(pam_service_dir ${CMAKE_CURRENT_BINARY_DIR}/pam-services)
foreach(service_options "pwdpolicy|" "pwdpolicy_retry|retry=2" "pwdpolicy_warn|enforcing=0"
        "pwdpolicy_root|enforce_for_root" "pwdpolicy_policy1|policy=1" "pwdpolicy_policy7|policy=7"
        "pwdpolicy_badoption|retry=0 frobnicate" "pwdpolicy_authtok|use_authtok retry=3")
  string(REGEX REPLACE "\\|.*" "" service "${service_options}")
  string(REGEX REPLACE "^[^|]*\\|" "" options "${service_options}")
  set(before "")
  if(service STREQUAL "pwdpolicy_authtok")
    set(before "password required ${PAM_WRAPPER_MODULE_DIR}/pam_set_items.so\n")
  endif()
  file(GENERATE OUTPUT ${pam_service_dir}/${service} CONTENT "${before}password requisite \
$<TARGET_FILE:pam_pwdpolicy> ${options}\npassword required ${PAM_WRAPPER_MODULE_DIR}/pam_matrix.so\n")
endforeach()

pwdpolicy_test(PamModule_test CONFIG pam/PamModule_test.cpp)
target_link_libraries(PamModule_test PRIVATE pamtest::pamtest ${CMAKE_DL_LIBS})
add_dependencies(PamModule_test pam_pwdpolicy)

# The launcher (tests/support/private-conf.sh) preloads the wrappers into the
# test program alone. gtest_discover_tests keeps only the first entry of a
# list-valued property: the environment is set from a file ctest reads after.
# pam_wrapper picks its directory among a few dozen fixed names in /tmp, so
# the cases run one at a time (RESOURCE_LOCK).
set(pam_test_env ${PWDPOLICY_TEST_ENV} "PPC_TEST_LD_PRELOAD=${PAM_WRAPPER_LIBRARY}:${UID_WRAPPER_LIBRARY}"
    PAM_WRAPPER=1 PAM_WRAPPER_SERVICE_DIR=${pam_service_dir} UID_WRAPPER=1)
if(PWDPOLICY_SANITIZE)
  # Preloaded ahead of the sanitizer runtime, the wrappers' deep binding
  # would hide the runtime's interceptors from the modules.
  list(APPEND pam_test_env PAM_WRAPPER_DISABLE_DEEPBIND=1 UID_WRAPPER_DISABLE_DEEPBIND=1
       "ASAN_OPTIONS=verify_asan_link_order=0:abort_on_error=1")
endif()
file(GENERATE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/PamModule_test_env.cmake CONTENT "
foreach(test IN LISTS PamModule_test_TESTS)
  set_tests_properties(\"\${test}\" PROPERTIES ENVIRONMENT \"${pam_test_env}\"
                       TIMEOUT 120 RESOURCE_LOCK pam_wrapper_tmp)
endforeach()
")
set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${CMAKE_CURRENT_BINARY_DIR}/PamModule_test_env.cmake)
