# Loads of files far larger than any real one (moved out of the test suite:
# they cost a minute and test size, not behaviour). They reach the store and
# the dictionary directly, which the shared library does not export: with the
# tests built, they link the library's sources statically.
if(TARGET pwdpolicy_internals)
  add_executable(LargeFiles_bench LargeFiles_bench.cpp)
  target_link_libraries(LargeFiles_bench PRIVATE pwdpolicy_internals vc-common vc-tidesafe
                        benchmark::benchmark Threads::Threads)
  target_include_directories(LargeFiles_bench PRIVATE ${PROJECT_SOURCE_DIR}/src)
  target_compile_options(LargeFiles_bench PRIVATE ${PWDPOLICY_WARNINGS})
endif()
