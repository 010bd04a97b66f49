pwdpolicy_test(MatchPolicy_test CONFIG check/MatchPolicy_test.cpp)
pwdpolicy_test(WeakPwdDic_test INTERNAL check/WeakPwdDic_test.cpp support/FailingNew.cpp)
pwdpolicy_test(WeakStrong_test CONFIG check/WeakStrong_test.cpp)
