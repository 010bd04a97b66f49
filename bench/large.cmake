# Loads of files far larger than any real one (moved out of the test suite:
# they cost a minute and test size, not behaviour). They reach the store and
# the dictionary directly, which the shared library does not export.
pwdpolicy_bench(LargeFiles_bench INTERNAL LargeFiles_bench.cpp)
target_compile_options(LargeFiles_bench PRIVATE ${PWDPOLICY_WARNINGS})
