pwdpolicy_test(Generate_test CONFIG RELOAD generate/Generate_test.cpp support/AllocSpy.cpp)
