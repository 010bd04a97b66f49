pwdpolicy_test(Checks_test CONFIG check/Checks_test.cpp)
pwdpolicy_test(WeakPwdDic_test INTERNAL check/WeakPwdDic_test.cpp support/FailingNew.cpp)
