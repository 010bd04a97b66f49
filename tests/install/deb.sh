#!/usr/bin/env bash
# Builds the Debian package with CPack into a scratch directory and checks
# what it holds: files, dependencies and the post-install script that puts
# the sample configuration in place only where none exists.
# Usage: deb.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1) \
    || { cat "$work/cpack.log" >&2; fail "cpack"; }
deb=$(ls "$work"/pwdpolicy_*.deb)
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for file in ./usr/bin/ppc ./usr/include/pwdpolicy.h ./usr/lib/libpwdpolicy.so.1 \
            ./usr/lib/libvc-common.so.1 ./usr/lib/libvc-tidesafe.so.1 ./usr/lib/pkgconfig/pwdpolicy.pc \
            ./usr/lib/cmake/PwdPolicy/PwdPolicyConfig.cmake ./usr/share/pwdpolicy/ppc.conf; do
    grep -qxF "$file" <<<"$contents" || fail "$file missing from the package"
done
grep -q vesticor <<<"$contents" && fail "the package ships the live configuration path itself"
dpkg-deb -f "$deb" Depends | grep -q libinih1 || fail "no dependency on libinih1"
[[ -n $(dpkg-deb -f "$deb" Maintainer) ]] || fail "no maintainer"
dpkg-deb -e "$deb" "$work/control"
[[ -x $work/control/postinst ]] || fail "no executable postinst"
grep -q '! -e "/usr/local/vesticor/conf/$name"' "$work/control/postinst" || fail "postinst overwrites"
echo "deb package: ok"
