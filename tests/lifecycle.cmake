pwdpolicy_test(Lifecycle_test CONFIG lifecycle/Lifecycle_test.cpp)
