pwdpolicy_test(GenSecPwd_test CONFIG generate/GenSecPwd_test.cpp)
