# The breach table at scale: build, size, lookups, false positives.
# breach_bench --entries=100000000 for the full run (minutes, about 6 GB of scratch space);
# breach_bench --table=PATH --entries=N measures a table built from `breach_gen N | ppc breach build -o PATH -`.
pwdpolicy_bench(breach_bench INTERNAL ${CMAKE_CURRENT_LIST_DIR}/BreachTable_bench.cpp)
target_link_libraries(breach_bench PRIVATE pwdpolicy_data)
target_compile_options(breach_bench PRIVATE ${PWDPOLICY_WARNINGS})
target_compile_definitions(breach_bench PRIVATE PPC_TOOL_PATH="$<TARGET_FILE:ppc>")
add_dependencies(breach_bench ppc)
# The list generator for the large builds (piped into ppc breach build -).
add_executable(breach_gen ${CMAKE_CURRENT_LIST_DIR}/breach_gen.cpp)
target_link_libraries(breach_gen PRIVATE pwdpolicy_data)
target_compile_options(breach_gen PRIVATE ${PWDPOLICY_WARNINGS})
