pwdpolicy_test(PolicyCfg_test CONFIG RELOAD policy/PolicyCfg_test.cpp support/FailingNew.cpp)
pwdpolicy_test(GetPolicy_test CONFIG RELOAD policy/GetPolicy_test.cpp)
