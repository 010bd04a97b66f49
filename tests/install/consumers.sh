#!/usr/bin/env bash
# consumers.sh BUILD_DIR SOURCE_DIR [pam]: installs to a temporary prefix, builds and runs outside
# consumers (find_package, pkg-config); with "pam", checks the installed PAM module.
source "$(dirname "$0")/common.sh"
prefix=$work/prefix
export VC_LOG_FILE=$work/log-%p

cmake --install "$build" --prefix "$prefix" >"$work/install.log"
grep -q vesticor "$work/install.log" && fail "an install to a temporary prefix touched the live configuration"

cmake -S "$source/tests/install/consumer" -B "$work/cmake-build" -DCMAKE_PREFIX_PATH="$prefix" \
      >"$work/cmake.log" 2>&1 && cmake --build "$work/cmake-build" >>"$work/cmake.log" 2>&1 \
    || { cat "$work/cmake.log" >&2; fail "find_package consumer"; }
"$work/cmake-build/consumer"
export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
# shellcheck disable=SC2046
cc -o "$work/pc-consumer" "$source/tests/install/consumer/consumer.c" $(pkg-config --cflags --libs pwdpolicy) \
   -Wl,-rpath,"$prefix/lib"
"$work/pc-consumer"
[[ ${3:-} == pam ]] || exit 0

module=$(find "$prefix" -name pam_pwdpolicy.so)
[[ $module == "$prefix"/lib/*/security/pam_pwdpolicy.so || $module == "$prefix"/lib/security/pam_pwdpolicy.so ]] \
    || fail "module not in lib/<multiarch>/security or lib/security: ${module:-missing}"
loaded=$(ldd "$module" | awk '/libpwdpolicy\.so\.1/ {print $3}')
[[ -n $loaded && $(readlink -f "$loaded") == $(readlink -f "$prefix/lib/libpwdpolicy.so.1") ]] \
    || fail "module does not load the prefix's library (${loaded:-none})"
[[ $(nm -D --defined-only "$module" | awk '{print $3}') == pam_sm_chauthtok ]] || fail "module exports more"
