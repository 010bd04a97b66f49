# What the reload safety costs the queries: the component against a twin
# built from the same sources with the guard compiled out (PPC_UNGUARDED).
# Both export the same names, so the benchmark links neither: it loads each
# with dlopen(RTLD_LOCAL), and each library's references bind to itself.
list(TRANSFORM PWDPOLICY_SOURCES PREPEND ${PROJECT_SOURCE_DIR}/ OUTPUT_VARIABLE unguarded_sources)
add_library(pwdpolicy_unguarded SHARED ${unguarded_sources})
pwdpolicy_configure(pwdpolicy_unguarded)
target_compile_definitions(pwdpolicy_unguarded PRIVATE PPC_UNGUARDED)

add_executable(Guard_bench Guard_bench.cpp)
target_link_libraries(Guard_bench PRIVATE benchmark::benchmark Threads::Threads ${CMAKE_DL_LIBS})
target_include_directories(Guard_bench PRIVATE ${PROJECT_SOURCE_DIR}/include)
target_compile_definitions(Guard_bench PRIVATE
  PWDPOLICY_GUARDED_LIBRARY="$<TARGET_FILE:pwdpolicy>"
  PWDPOLICY_UNGUARDED_LIBRARY="$<TARGET_FILE:pwdpolicy_unguarded>")
add_dependencies(Guard_bench pwdpolicy pwdpolicy_unguarded)
if(TARGET ppc_testenv)
  # The tick benchmarks rewrite the fixed configuration path: under the
  # tests' lock, and restored afterwards.
  target_link_libraries(Guard_bench PRIVATE ppc_testenv)
  target_compile_definitions(Guard_bench PRIVATE PWDPOLICY_BENCH_TICKS)
endif()
