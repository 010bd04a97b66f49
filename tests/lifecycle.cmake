pwdpolicy_test(Lifecycle_test CONFIG RELOAD lifecycle/Lifecycle_test.cpp)
pwdpolicy_test(DataGuard_test RELOAD INTERNAL lifecycle/DataGuard_test.cpp)
