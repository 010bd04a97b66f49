pwdpolicy_test(BreachTable_test breach/BreachTable_test.cpp)
target_link_libraries(BreachTable_test PRIVATE pwdpolicy_breach)

# The table in the component: loads, reloads, and checks while ticks run.
pwdpolicy_test(BreachScreen_test CONFIG RELOAD INTERNAL breach/BreachScreen_test.cpp)
target_link_libraries(BreachScreen_test PRIVATE pwdpolicy_breach)
