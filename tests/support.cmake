pwdpolicy_test(Log_test INTERNAL support/Log_test.cpp)
pwdpolicy_test(InputFile_test INTERNAL support/InputFile_test.cpp support/ReadFaults.cpp)
