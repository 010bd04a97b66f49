pwdpolicy_test(GenSecPwd_test CONFIG RELOAD generate/GenSecPwd_test.cpp)
