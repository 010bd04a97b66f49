file(REMOVE_RECURSE
  "CMakeFiles/pwdpolicy.dir/src/check/MatchPolicy.cpp.o"
  "CMakeFiles/pwdpolicy.dir/src/check/MatchPolicy.cpp.o.d"
  "CMakeFiles/pwdpolicy.dir/src/check/WeakPwdDic.cpp.o"
  "CMakeFiles/pwdpolicy.dir/src/check/WeakPwdDic.cpp.o.d"
  "CMakeFiles/pwdpolicy.dir/src/check/WeakPwdIndex.cpp.o"
  "CMakeFiles/pwdpolicy.dir/src/check/WeakPwdIndex.cpp.o.d"
  "CMakeFiles/pwdpolicy.dir/src/check/WeakStrong.cpp.o"
  "CMakeFiles/pwdpolicy.dir/src/check/WeakStrong.cpp.o.d"
  "CMakeFiles/pwdpolicy.dir/src/generate/GenSecPwd.cpp.o"
  "CMakeFiles/pwdpolicy.dir/src/generate/GenSecPwd.cpp.o.d"
  "CMakeFiles/pwdpolicy.dir/src/lifecycle/DataGuard.cpp.o"
  "CMakeFiles/pwdpolicy.dir/src/lifecycle/DataGuard.cpp.o.d"
  "CMakeFiles/pwdpolicy.dir/src/lifecycle/Globals.cpp.o"
  "CMakeFiles/pwdpolicy.dir/src/lifecycle/Globals.cpp.o.d"
  "CMakeFiles/pwdpolicy.dir/src/lifecycle/Lifecycle.cpp.o"
  "CMakeFiles/pwdpolicy.dir/src/lifecycle/Lifecycle.cpp.o.d"
  "CMakeFiles/pwdpolicy.dir/src/monitor/FileMonitor.cpp.o"
  "CMakeFiles/pwdpolicy.dir/src/monitor/FileMonitor.cpp.o.d"
  "CMakeFiles/pwdpolicy.dir/src/monitor/ReloadTimer.cpp.o"
  "CMakeFiles/pwdpolicy.dir/src/monitor/ReloadTimer.cpp.o.d"
  "CMakeFiles/pwdpolicy.dir/src/policy/GetPolicy.cpp.o"
  "CMakeFiles/pwdpolicy.dir/src/policy/GetPolicy.cpp.o.d"
  "CMakeFiles/pwdpolicy.dir/src/policy/PolicyCfg.cpp.o"
  "CMakeFiles/pwdpolicy.dir/src/policy/PolicyCfg.cpp.o.d"
  "CMakeFiles/pwdpolicy.dir/src/support/Log.cpp.o"
  "CMakeFiles/pwdpolicy.dir/src/support/Log.cpp.o.d"
  "libpwdpolicy.pdb"
  "libpwdpolicy.so"
  "libpwdpolicy.so.1"
  "libpwdpolicy.so.1.1.2"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/pwdpolicy.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
