pwdpolicy_test(Log_test INTERNAL support/Log_test.cpp)
