# pam_pwdpolicy run by libpam under pam_wrapper over pam_matrix; uid_wrapper fakes the caller's uid.
if(NOT PWDPOLICY_PAM_INCLUDE_DIR)
  return()
endif()
find_package(pamtest CONFIG QUIET)
find_package(pam_wrapper CONFIG QUIET)
find_package(uid_wrapper CONFIG QUIET)
find_package(nss_wrapper CONFIG QUIET)
if(NOT pamtest_FOUND OR NOT pam_wrapper_FOUND OR NOT uid_wrapper_FOUND OR NOT nss_wrapper_FOUND)
  message(STATUS "PwdPolicy: PAM module tests off (needs libpamtest0-dev, libpam-wrapper, libuid-wrapper, "
                 "libnss-wrapper)")
  return()
endif()

# One service per set of module options; pam_set_items sets $PAM_(OLD)AUTHTOK as a previous module would.
set(pam_service_dir ${CMAKE_CURRENT_BINARY_DIR}/pam-services)
set(pam_module "password requisite $<TARGET_FILE:pam_pwdpolicy>")
foreach(service_options "|" "_retry|retry=2" "_warn|enforcing=0" "_root|enforce_for_root" "_policy1|policy=1"
        "_policy7|policy=7" "_context|policy=2|password required ${PAM_WRAPPER_MODULE_DIR}/pam_set_items.so" "_badoption|retry=0 frobnicate"
        "_authtok|use_authtok retry=3|password required ${PAM_WRAPPER_MODULE_DIR}/pam_set_items.so")
  string(REPLACE "|" ";" service_options "${service_options}")
  list(POP_FRONT service_options suffix options before)
  file(GENERATE OUTPUT ${pam_service_dir}/pwdpolicy${suffix} CONTENT "${before}\n${pam_module} ${options}
password required ${PAM_WRAPPER_MODULE_DIR}/pam_matrix.so\n")
endforeach()

pwdpolicy_test(PamModule_test CONFIG pam/PamModule_test.cpp)
target_link_libraries(PamModule_test PRIVATE pamtest::pamtest ${CMAKE_DL_LIBS})
add_dependencies(PamModule_test pam_pwdpolicy pwdpolicy_translations)

# nss_wrapper's password database: alice's GECOS names are context words.
set(pam_passwd ${CMAKE_CURRENT_BINARY_DIR}/pam-passwd)
file(WRITE ${pam_passwd} "root:x:0:0:root:/root:/bin/sh\nalice:x:1000:1000:Alice Liddell,Room 7,,:/home/alice:/bin/sh\n")
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/pam-group "root:x:0:\nalice:x:1000:\n")

# The launcher preloads the wrappers into the test alone. gtest_discover_tests keeps only a list's first
# entry, so the environment comes from a file ctest reads after; pam_wrapper's fixed /tmp names: one at a time.
set(pam_test_env ${PWDPOLICY_TEST_ENV}
    "PPC_TEST_LD_PRELOAD=${PAM_WRAPPER_LIBRARY}:${UID_WRAPPER_LIBRARY}:${NSS_WRAPPER_LIBRARY}"
    PAM_WRAPPER=1 PAM_WRAPPER_SERVICE_DIR=${pam_service_dir} UID_WRAPPER=1 NSS_WRAPPER_PASSWD=${pam_passwd}
    NSS_WRAPPER_GROUP=${CMAKE_CURRENT_BINARY_DIR}/pam-group PWDPOLICY_LOCALEDIR=${PWDPOLICY_LOCALE_BUILD_DIR})
if(PWDPOLICY_SANITIZE)
  # Deep binding would hide the sanitizer runtime's interceptors from the modules.
  list(APPEND pam_test_env PAM_WRAPPER_DISABLE_DEEPBIND=1 UID_WRAPPER_DISABLE_DEEPBIND=1 NSS_WRAPPER_DISABLE_DEEPBIND=1
       "ASAN_OPTIONS=verify_asan_link_order=0:abort_on_error=1")
endif()
file(GENERATE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/PamModule_test_env.cmake CONTENT "
foreach(test IN LISTS PamModule_test_TESTS)
  set_tests_properties(\"\${test}\" PROPERTIES ENVIRONMENT \"${pam_test_env}\"
                       TIMEOUT 120 RESOURCE_LOCK pam_wrapper_tmp)
endforeach()
")
set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${CMAKE_CURRENT_BINARY_DIR}/PamModule_test_env.cmake)
