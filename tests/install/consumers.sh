#!/usr/bin/env bash
# Installs the build into a temporary prefix and runs outside consumers of it (find_package and
# pkg-config). With "pam", checks the PAM module installed beside the library it loads.
# Usage: consumers.sh BUILD_DIR SOURCE_DIR [pam]
set -euo pipefail
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
prefix=$work/prefix
export VC_LOG_FILE=$work/log-%p  # the support library's log stays out of /usr/local

cmake --install "$1" --prefix "$prefix" >"$work/install.log"
grep -q vesticor "$work/install.log" && fail "an install to a temporary prefix touched the live configuration"
for file in include/pwdpolicy.h lib/libpwdpolicy.so.1 lib/libvc-common.so.1 lib/libvc-tidesafe.so.1 \
            lib/pkgconfig/pwdpolicy.pc lib/cmake/PwdPolicy/PwdPolicyConfigVersion.cmake \
            share/pwdpolicy/ppc.conf share/pwdpolicy/weakpwd.dic bin/ppc; do
    [[ -e $prefix/$file ]] || fail "$file not installed"
done
[[ $(readlink "$prefix/lib/libpwdpolicy.so") == libpwdpolicy.so.1 ]] || fail "libpwdpolicy.so is not its soname"
version=$(sed -n 's/^#define PPC_VERSION "\(.*\)"/\1/p' "$source/include/pwdpolicy.h")
[[ $("$prefix/bin/ppc" --version) == "$version" ]] || fail "installed ppc --version"  # finds its library

cmake -S "$source/tests/install/consumer" -B "$work/cmake-build" -DCMAKE_PREFIX_PATH="$prefix" \
      >"$work/cmake.log" 2>&1 && cmake --build "$work/cmake-build" >>"$work/cmake.log" 2>&1 \
    || { cat "$work/cmake.log" >&2; fail "find_package consumer"; }
"$work/cmake-build/consumer"
export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
[[ $(pkg-config --modversion pwdpolicy) == "$version" ]] || fail "pkg-config version"
# shellcheck disable=SC2046
cc -o "$work/pc-consumer" "$source/tests/install/consumer/consumer.c" $(pkg-config --cflags --libs pwdpolicy) \
   -Wl,-rpath,"$prefix/lib"
"$work/pc-consumer"
[[ ${3:-} == pam ]] || { echo "install consumers: ok"; exit 0; }

module=$(find "$prefix" -name pam_pwdpolicy.so)
[[ $module == "$prefix"/lib/*/security/pam_pwdpolicy.so || $module == "$prefix"/lib/security/pam_pwdpolicy.so ]] \
    || fail "module not in lib/<multiarch>/security or lib/security: ${module:-missing}"
[[ -e $prefix/share/man/man8/pam_pwdpolicy.8.gz ]] || fail "no pam_pwdpolicy manual page"
grep -qx "Default: no" "$prefix/share/pam-configs/pwdpolicy" || fail "the PAM profile is missing or on by default"
loaded=$(ldd "$module" | awk '/libpwdpolicy\.so\.1/ {print $3}')
[[ -n $loaded && $(readlink -f "$loaded") == $(readlink -f "$prefix/lib/libpwdpolicy.so.1") ]] \
    || fail "module does not load the prefix's library (${loaded:-none})"
[[ $(nm -D --defined-only "$module" | awk '{print $3}') == pam_sm_chauthtok ]] || fail "module exports more"
echo "install consumers: ok (with the PAM module)"
