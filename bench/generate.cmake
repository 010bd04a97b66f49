# The policy benchmark loads its configuration through the tests' private
# ConfigFile helper, so it is built only together with the tests.
if(TARGET ppc_testenv)
  pwdpolicy_bench(GenSecPwd_bench GenSecPwd_bench.cpp)
  target_link_libraries(GenSecPwd_bench PRIVATE ppc_testenv)
endif()

# Distribution report: a plain program, not a test and not a benchmark.
add_executable(GenSecPwd_distribution GenSecPwd_distribution.cpp)
target_link_libraries(GenSecPwd_distribution PRIVATE pwdpolicy)
target_compile_options(GenSecPwd_distribution PRIVATE ${PWDPOLICY_WARNINGS})
