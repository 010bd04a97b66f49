pwdpolicy_test(Generate_test CONFIG RELOAD generate/Generate_test.cpp support/AllocSpy.cpp)
pwdpolicy_test(KernelRandom_test INTERNAL generate/KernelRandom_test.cpp)
