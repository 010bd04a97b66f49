pwdpolicy_test(GenSecPwd_test CONFIG RELOAD generate/GenSecPwd_test.cpp support/AllocSpy.cpp)
pwdpolicy_test(GenCryptoPwd_test CONFIG generate/GenCryptoPwd_test.cpp support/AllocSpy.cpp)
