# What libpwdpolicy.so exports, in every build (the TSan stage runs it by its label; deb.sh checks the
# Release build of the packages).
add_test(NAME exported_symbols COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/symbols/exports.sh
         $<TARGET_FILE:pwdpolicy> ${PROJECT_SOURCE_DIR}/include/pwdpolicy.h ${PROJECT_SOURCE_DIR}/src/libpwdpolicy.map)
set_tests_properties(exported_symbols PROPERTIES LABELS symbols)
