pwdpolicy_test(Checks_test CONFIG check/Checks_test.cpp)
pwdpolicy_test(WeakPwdDic_test INTERNAL check/WeakPwdDic_test.cpp support/FailingNew.cpp)
pwdpolicy_test(Judge_test CONFIG INTERNAL check/Judge_test.cpp)
target_link_libraries(Judge_test PRIVATE pwdpolicy_data)
