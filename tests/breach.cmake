pwdpolicy_test(Breach_test CONFIG RELOAD INTERNAL breach/Breach_test.cpp)
target_link_libraries(Breach_test PRIVATE pwdpolicy_data)
