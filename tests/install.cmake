# Not in sanitizer builds: an installed one cannot serve consumers built without the runtime.
if(PWDPOLICY_SANITIZE)
  return()
endif()
set(args ${CMAKE_BINARY_DIR} ${PROJECT_SOURCE_DIR})
add_test(NAME install_deb_package COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/install/deb.sh ${args})
if(TARGET pam_pwdpolicy OR PWDPOLICY_PAM_INCLUDE_DIR)
  list(APPEND args pam)
endif()
add_test(NAME install_consumers COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/install/consumers.sh ${args})
# The README's light set-up path, staged: it builds a tree of its own like the two above.
add_test(NAME install_light_setup COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/install/light.sh
                                          ${CMAKE_BINARY_DIR} ${PROJECT_SOURCE_DIR})
set_tests_properties(install_consumers install_deb_package install_light_setup PROPERTIES
                     RESOURCE_LOCK build_install TIMEOUT 1200)
