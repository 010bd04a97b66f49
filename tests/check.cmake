pwdpolicy_test(MatchPolicy_test CONFIG check/MatchPolicy_test.cpp)
