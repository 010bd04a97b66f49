# Packaging checks run in the normal build only: an installed sanitizer
# build cannot serve consumers built without the sanitizer runtime.
if(PWDPOLICY_SANITIZE)
  return()
endif()

# Installation: a temporary-prefix install used by outside consumers, and
# the Debian package.
add_test(NAME install_consumers
         COMMAND bash ${PROJECT_SOURCE_DIR}/tests/install/consumers.sh ${CMAKE_BINARY_DIR} ${PROJECT_SOURCE_DIR})
add_test(NAME install_deb_package
         COMMAND bash ${PROJECT_SOURCE_DIR}/tests/install/deb.sh ${CMAKE_BINARY_DIR} ${PROJECT_SOURCE_DIR})
# Both read the whole build tree. The packages come from a tree of their own
# (configured for /usr) that the first run builds whole: give it time.
set_tests_properties(install_consumers install_deb_package PROPERTIES RESOURCE_LOCK build_install)
set_tests_properties(install_consumers PROPERTIES TIMEOUT 300)
set_tests_properties(install_deb_package PROPERTIES TIMEOUT 1200)

# The PAM module installed and packaged (tests/install/pam.sh).
if(TARGET pam_pwdpolicy OR PWDPOLICY_PAM_INCLUDE_DIR)
  add_test(NAME install_pam_module
           COMMAND ${PWDPOLICY_TEST_LAUNCHER} bash ${PROJECT_SOURCE_DIR}/tests/install/pam.sh
                   ${CMAKE_BINARY_DIR} $<TARGET_FILE:with_config>)
  # In a private configuration folder, where with_config may write.
  set_tests_properties(install_pam_module PROPERTIES TIMEOUT 300 RESOURCE_LOCK build_install)
endif()
