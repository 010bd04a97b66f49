# What libpwdpolicy.so exports, checked on the build released (not with sanitizers).
if(NOT PWDPOLICY_SANITIZE)
  add_test(NAME exported_symbols COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/symbols/exports.sh
           $<TARGET_FILE:pwdpolicy> ${PROJECT_SOURCE_DIR}/include/pwdpolicy.h)
endif()
