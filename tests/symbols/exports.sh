#!/bin/bash
# exports.sh LIBRARY HEADER: the library exports exactly the header's PPC_ functions, the names below
# (src/libpwdpolicy.map) and the ppc tool's pwdpolicy_internal:: entry points.
set -euo pipefail
expected=$({
    grep -E '^[a-z].*\bPPC_[A-Za-z]+\(' "$2" | grep -oE '\bPPC_[A-Za-z]+\(' | tr -d '(' || true
    printf 'Java_com_korvane_vesticor_pwdpolicy_PwdPolicyAPI_PPC%s\n' Finalize GenCryptoPwdByPolicy \
           GenDefaultSecPwd GenSecPwdByPolicy GetPolicy Initialize IsMatchPolicy IsStrongPwd IsWeakPwd
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
} | LC_ALL=C sort -u)
exported=$(nm -D --defined-only -C "$1" | cut -d' ' -f3-)
# sort -u: constructors and destructors come twice (complete and base object).
diff <(echo "$expected") <(grep -v '^pwdpolicy_internal::' <<<"$exported" | LC_ALL=C sort -u) \
  || { echo "exports differ (< expected, > exported)"; exit 1; }
grep -q '^pwdpolicy_internal::DiagnoseConfigFile(' <<<"$exported" || { echo "no ppc entry points"; exit 1; }
