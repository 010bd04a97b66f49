# What the reload safety costs the queries: the component against two twins
# built from the same sources with another lifecycle/DataGuard.h found first
# on the include path (bench/guards/): no guard at all (the floor), and a
# plain pthread_rwlock. The production sources carry no benchmark mode.
# All export the same names, so the benchmark links none of them: it loads
# each with dlopen(RTLD_LOCAL), and each library's references bind to itself.
list(TRANSFORM PWDPOLICY_SOURCES PREPEND ${PROJECT_SOURCE_DIR}/ OUTPUT_VARIABLE twin_sources)
list(FILTER twin_sources EXCLUDE REGEX "lifecycle/DataGuard\\.cpp$")
foreach(variant unguarded rwlock)
  add_library(pwdpolicy_${variant} SHARED ${twin_sources})
  target_include_directories(pwdpolicy_${variant} BEFORE PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/guards/${variant})
  pwdpolicy_configure(pwdpolicy_${variant})
endforeach()

add_executable(Guard_bench Guard_bench.cpp)
target_link_libraries(Guard_bench PRIVATE benchmark::benchmark Threads::Threads ${CMAKE_DL_LIBS})
target_include_directories(Guard_bench PRIVATE ${PROJECT_SOURCE_DIR}/include)
target_compile_definitions(Guard_bench PRIVATE
  PWDPOLICY_GUARDED_LIBRARY="$<TARGET_FILE:pwdpolicy>"
  PWDPOLICY_UNGUARDED_LIBRARY="$<TARGET_FILE:pwdpolicy_unguarded>"
  PWDPOLICY_RWLOCK_LIBRARY="$<TARGET_FILE:pwdpolicy_rwlock>")
add_dependencies(Guard_bench pwdpolicy pwdpolicy_unguarded pwdpolicy_rwlock)
if(TARGET ppc_testenv)
  # The tick benchmarks rewrite the fixed configuration path, in a private
  # mount namespace (testenv::MakeConfigFolderPrivate; needs root).
  target_link_libraries(Guard_bench PRIVATE ppc_testenv)
  target_compile_definitions(Guard_bench PRIVATE PWDPOLICY_BENCH_TICKS)
endif()
