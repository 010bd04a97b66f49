pwdpolicy_test(Policy_test CONFIG RELOAD policy/Policy_test.cpp support/FailingNew.cpp)
