# The check benchmarks (policy match, weak and strong checks, dictionary
# load), each beside its floor, and the dictionary generator they share with
# bench/compare.
add_library(ppc_benchdict STATIC ${CMAKE_CURRENT_LIST_DIR}/DictionaryGen.cpp)
target_compile_options(ppc_benchdict PRIVATE ${PWDPOLICY_WARNINGS})

add_executable(gen_dictionary ${CMAKE_CURRENT_LIST_DIR}/gen_dictionary.cpp)
target_link_libraries(gen_dictionary PRIVATE ppc_benchdict)

pwdpolicy_bench(checks_bench INTERNAL
  ${CMAKE_CURRENT_LIST_DIR}/BenchMain.cpp
  ${CMAKE_CURRENT_LIST_DIR}/BenchEnv.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MatchPolicy_bench.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WeakPwd_bench.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DictionaryLoad_bench.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Ratio_bench.cpp)
target_link_libraries(checks_bench PRIVATE ppc_benchdict)
target_compile_options(checks_bench PRIVATE ${PWDPOLICY_WARNINGS})
