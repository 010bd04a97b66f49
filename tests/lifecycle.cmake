pwdpolicy_test(Lifecycle_test CONFIG RELOAD lifecycle/Lifecycle_test.cpp)
pwdpolicy_test(DataGuard_test RELOAD INTERNAL lifecycle/DataGuard_test.cpp)

# Loads the library with dlopen, so it must not link it.
add_executable(ReloadUnload_helper lifecycle/ReloadUnload_helper.cpp)
target_link_libraries(ReloadUnload_helper PRIVATE ${CMAKE_DL_LIBS})
pwdpolicy_test(Reloader_test CONFIG RELOAD INTERNAL lifecycle/Reloader_test.cpp)
target_compile_definitions(Reloader_test PRIVATE
  PWDPOLICY_UNLOAD_HELPER="$<TARGET_FILE:ReloadUnload_helper>"
  PWDPOLICY_LIBRARY="$<TARGET_FILE:pwdpolicy>")
add_dependencies(Reloader_test ReloadUnload_helper)
pwdpolicy_test(ReloadStress_test CONFIG RELOAD INTERNAL lifecycle/ReloadStress_test.cpp)
