pwdpolicy_test(PolicyCfg_test CONFIG policy/PolicyCfg_test.cpp support/FailingNew.cpp)
pwdpolicy_test(GetPolicy_test CONFIG policy/GetPolicy_test.cpp)
