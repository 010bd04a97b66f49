pwdpolicy_test(PolicyCfg_test CONFIG policy/PolicyCfg_test.cpp)
