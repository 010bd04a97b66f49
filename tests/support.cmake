pwdpolicy_test(Log_test INTERNAL support/Log_test.cpp)
pwdpolicy_test(vc_tidesafe_test standins/vc_tidesafe_test.cpp)
