# Loads of files far larger than any real one (moved out of the test suite:
# they cost a minute and test size, not behaviour).
pwdpolicy_bench(LargeFiles_bench LargeFiles_bench.cpp)
target_compile_options(LargeFiles_bench PRIVATE ${PWDPOLICY_WARNINGS})
