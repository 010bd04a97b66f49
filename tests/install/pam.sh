#!/usr/bin/env bash
# The PAM module as installed: into a scratch prefix beside the library it
# loads, and as the Debian package libpam-pwdpolicy. Where root and pamtester
# are available, a smoke test runs the installed module through a real
# libpam stack (a temporary service file in /etc/pam.d, removed afterwards).
# Usage: pam.sh BUILD_DIR WITH_CONFIG
set -euo pipefail
build=$(cd "$1" && pwd)
with_config=$2
work=$(mktemp -d)
service=pwdpolicy-smoke-$$
trap 'rm -rf "$work" "/etc/pam.d/$service"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
export VC_LOG_FILE=$work/log-%p   # keep the support library's log out of /usr/local

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >"$work/install.log"
module=$(find "$prefix" -name pam_pwdpolicy.so)
[[ $module == "$prefix"/lib/*/security/pam_pwdpolicy.so || $module == "$prefix"/lib/security/pam_pwdpolicy.so ]] \
    || fail "module not in lib/<multiarch>/security or lib/security: ${module:-missing}"
for file in share/pam-configs/pwdpolicy share/man/man8/pam_pwdpolicy.8.gz; do
    [[ -e $prefix/$file ]] || fail "$file not installed"
done
grep -qx "Default: no" "$prefix/share/pam-configs/pwdpolicy" || fail "the profile is on by default"
# The installed module loads the installed library, not the build tree's.
loaded=$(ldd "$module" | awk '/libpwdpolicy\.so\.1/ {print $3}')
[[ -n $loaded && $(readlink -f "$loaded") == $(readlink -f "$prefix/lib/libpwdpolicy.so.1") ]] \
    || fail "module does not find the prefix's library (${loaded:-none})"
[[ $(nm -D --defined-only "$module" | awk '{print $3}') == pam_sm_chauthtok ]] \
    || fail "module exports more than pam_sm_chauthtok"

# The package CPack makes from component "pam".
(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb" \
     -D CPACK_DEB_COMPONENT_INSTALL=ON -D CPACK_COMPONENTS_ALL=pam >"$work/cpack.log" 2>&1) \
    || { cat "$work/cpack.log" >&2; fail "cpack"; }
deb=$(ls "$work"/deb/libpam-pwdpolicy_*.deb)
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
grep -q '^\./usr/lib/.*security/pam_pwdpolicy\.so$' <<<"$contents" || fail "package lacks the module"
grep -qxF ./usr/share/pam-configs/pwdpolicy <<<"$contents" || fail "package lacks the profile"
dpkg-deb -f "$deb" Depends | grep -q libpam0g || fail "no dependency on libpam0g"
dpkg-deb -e "$deb" "$work/control"
grep -q 'pam-auth-update --package$' "$work/control/postinst" || fail "postinst does not register the profile"
grep -q 'pam-auth-update --package --remove pwdpolicy' "$work/control/prerm" || fail "prerm leaves the profile"

if [[ $(id -u) -ne 0 ]] || ! command -v pamtester >/dev/null; then
    echo "pam install: ok (pamtester smoke test skipped: needs root and pamtester)"
    exit 0
fi
printf 'password requisite %s enforce_for_root\npassword required pam_permit.so\n' "$module" \
    >"/etc/pam.d/$service"
sed "s|^weakPwdDic=.*|weakPwdDic=$prefix/share/pwdpolicy/weakpwd.dic|" \
    "$prefix/share/pwdpolicy/ppc.conf" >"$work/ppc.conf"
change() { printf '%s\n%s\n' "$1" "$1" | "$with_config" "$work/ppc.conf" pamtester "$service" root chauthtok 2>&1; }
change 'Kv9#Lumen-Canary4' >"$work/good.log" || { cat "$work/good.log" >&2; fail "a good password was refused"; }
if change 'Qwerty123!' >"$work/weak.log"; then fail "a dictionary word was accepted"; fi
grep -q "BAD PASSWORD: in the weak-password dictionary" "$work/weak.log" \
    || { cat "$work/weak.log" >&2; fail "no reason for the refusal"; }
echo "pam install: ok (with pamtester)"
