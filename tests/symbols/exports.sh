#!/bin/bash
# What libpwdpolicy.so exports: exactly the list below, plus every PPC_
# function that include/pwdpolicy.h declares. Anything else that shows up
# is an internal name that leaked; anything missing is a name that hosts
# that have always reached by name can no longer reach.
# Usage: exports.sh LIBRARY HEADER
set -euo pipefail
library=$1
header=$2

expected=$(
  {
    # Declarations: a line that starts with a type and names a PPC_ function.
    grep -E '^[a-z].*\bPPC_[A-Za-z]+\(' "$header" | grep -oE '\bPPC_[A-Za-z]+\(' | tr -d '(' || true
    for native in Finalize GenCryptoPwdByPolicy GenDefaultSecPwd GenSecPwdByPolicy GetPolicy Initialize IsMatchPolicy \
                  IsStrongPwd IsWeakPwd; do
      echo "Java_com_korvane_vesticor_pwdpolicy_PwdPolicyAPI_PPC$native"
    done
    cat <<'LIST'
AddFileWatch(char const*, char const*)
CloseFileMonitor()
HandlerTimeTask(int)
InitData()
InitFileMonitor()
InitTimer()
PolicyCfg::GetBreachedPwdTableFile[abi:cxx11]() const
PolicyCfg::GetDefaultPolicy()
PolicyCfg::GetPolicyByID(int)
PolicyCfg::GetPolicyBySection(char const*)
PolicyCfg::GetTimeInterval() const
PolicyCfg::GetWeakPwdDicFile[abi:cxx11]() const
PolicyCfg::HandleKey(char const*, char const*, char const*)
PolicyCfg::HandlerCfgVal(void*, char const*, char const*, char const*)
PolicyCfg::Init(std::__cxx11::basic_string<char, std::char_traits<char>, std::allocator<char> > const&)
PolicyCfg::Load(std::__cxx11::basic_string<char, std::char_traits<char>, std::allocator<char> > const&, std::unique_ptr<PolicyCfg, std::default_delete<PolicyCfg> >&)
PolicyCfg::PolicyCfg()
PolicyCfg::PolicyCfg(PolicyCfg const&)
PolicyCfg::Publish(PolicyCfg&)
PolicyCfg::StableSpecialChar(ppc_PolicyInfo const&) const
PolicyCfg::~PolicyCfg()
PrintAllInfoToLog()
RemoveFileWatch()
SetIntVal(JNIEnv_*, _jobject*, int)
SetStringVal(JNIEnv_*, _jobject*, char const*, int)
WeakPwdDic::Adopt(WeakPwdDic::Content&&)
WeakPwdDic::Content::operator=(WeakPwdDic::Content&&)
WeakPwdDic::Content::~Content()
WeakPwdDic::Contains(std::basic_string_view<char, std::char_traits<char> >)
WeakPwdDic::IndexMemoryBytes()
WeakPwdDic::Init(std::__cxx11::basic_string<char, std::char_traits<char>, std::allocator<char> >)
WeakPwdDic::IsWeakPwd(std::__cxx11::basic_string<char, std::char_traits<char>, std::allocator<char> >)
WeakPwdDic::Load(std::__cxx11::basic_string<char, std::char_traits<char>, std::allocator<char> > const&, WeakPwdDic::Content&)
WeakPwdDic::LogLoaded() const
WeakPwdDic::Trim(std::__cxx11::basic_string<char, std::char_traits<char>, std::allocator<char> > const&)
WeakPwdDic::TrimView(std::basic_string_view<char, std::char_traits<char> >)
WeakPwdDic::~WeakPwdDic()
gCfgFileWd
gDicFileWd
gMonitorFd
gWeakPwdUseInd
policyCfgObj
ppcInitFlag
ppcInitFlagLock
timerLock
weakpwdDic
LIST
  } | LC_ALL=C sort -u
)
# Constructors and destructors come twice (complete and base object).
actual=$(nm -D --defined-only -C "$library" | cut -d' ' -f3- | grep -v '^pwdpolicy_internal::' |
         LC_ALL=C sort -u)
if [[ "$actual" != "$expected" ]]; then
  echo "libpwdpolicy.so exports differ from the expected list (< expected, > exported):"
  diff <(echo "$expected") <(echo "$actual") || true
  exit 1
fi
# The ppc tool's entry points are there, under their own namespace only.
exported=$(nm -D --defined-only -C "$library")
grep -q ' pwdpolicy_internal::DiagnoseConfigFile(' <<<"$exported" ||
  { echo "the ppc tool's pwdpolicy_internal:: entry points are not exported"; exit 1; }
echo "libpwdpolicy.so exports $(wc -l <<<"$actual") names, as expected"
