pwdpolicy_test(HostileFiles_test CONFIG RELOAD INTERNAL hardening/HostileFiles_test.cpp)
pwdpolicy_test(LogHygiene_test CONFIG RELOAD hardening/LogHygiene_test.cpp support/FailingNew.cpp)
