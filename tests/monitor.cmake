# Loads the library with dlopen, so it must not link it.
add_executable(ReloadUnload_helper monitor/ReloadUnload_helper.cpp)
target_link_libraries(ReloadUnload_helper PRIVATE ${CMAKE_DL_LIBS})

pwdpolicy_test(ReloadTimer_test CONFIG RELOAD INTERNAL monitor/ReloadTimer_test.cpp)
target_compile_definitions(ReloadTimer_test PRIVATE
  PWDPOLICY_UNLOAD_HELPER="$<TARGET_FILE:ReloadUnload_helper>"
  PWDPOLICY_LIBRARY="$<TARGET_FILE:pwdpolicy>")
add_dependencies(ReloadTimer_test ReloadUnload_helper)

pwdpolicy_test(ReloadStress_test CONFIG RELOAD INTERNAL monitor/ReloadStress_test.cpp)
