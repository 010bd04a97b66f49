#!/usr/bin/env bash
# deb.sh BUILD_DIR SOURCE_DIR: builds the Debian packages (in BUILD_DIR/deb-tree), checks them, runs ppc.
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
PWDPOLICY_DEB_CMAKE_ARGS=$(sed -n 's/^\(CMAKE_CX*_COMPILER_LAUNCHER\):[A-Z]*=\(..*\)/-D\1=\2/p' \
                           "$build/CMakeCache.txt" | paste -sd' ')
export PWDPOLICY_DEB_CMAKE_ARGS
"$source/scripts/package-deb.sh" "$build/deb-tree" "$work/debs" >"$work/package.log" 2>&1 \
    || { cat "$work/package.log" >&2; fail "scripts/package-deb.sh"; }

arch=$(dpkg --print-architecture)
lib=./usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)
version=$(sed -n 's/^#define PPC_VERSION "\(.*\)"/\1/p' "$source/include/pwdpolicy.h")
deb() { echo "$work/debs/$1_${version}_$arch.deb"; }
expect() {  # PACKAGE FILE...: the package exists and holds these files and its copyright
    local package=$1 contents
    shift
    packages+=("$package")
    contents=$(dpkg-deb -c "$(deb "$package")" | awk '{print $6}') || fail "no package $package"
    for file in "$@" "./usr/share/doc/$package/copyright"; do
        grep -qxF "$file" <<<"$contents" || fail "$file missing from $package"
    done
}
expect libpwdpolicy1 "$lib/libpwdpolicy.so.1" "$lib/libpwdpolicy.so.$version"
expect libpwdpolicy-dev ./usr/include/pwdpolicy.h "$lib/libpwdpolicy.so" "$lib/pkgconfig/pwdpolicy.pc" \
       "$lib/cmake/PwdPolicy/PwdPolicyConfig.cmake" ./usr/share/man/man3/libpwdpolicy.3.gz
expect pwdpolicy-tools ./usr/bin/ppc ./usr/share/man/man1/ppc.1.gz ./usr/share/man/man5/ppc.conf.5.gz \
       ./usr/share/pwdpolicy/ppc.conf ./usr/share/pwdpolicy/weakpwd.dic
expect libvc-standins1 "$lib/libvc-common.so.1" "$lib/libvc-tidesafe.so.1"
if grep -q 'PWDPOLICY_BUILD_JAVA:BOOL=ON' "$build/deb-tree/CMakeCache.txt"; then
    expect libpwdpolicy-java ./usr/share/java/pwdpolicy.jar "./usr/share/java/pwdpolicy-$version.jar" \
           "$lib/jni/libpwdpolicy.so"
fi
if grep -q '^PWDPOLICY_PAM_INCLUDE_DIR:.*=/' "$build/deb-tree/CMakeCache.txt"; then
    expect libpam-pwdpolicy "$lib/security/pam_pwdpolicy.so" ./usr/share/pam-configs/pwdpolicy \
           ./usr/share/man/man8/pam_pwdpolicy.8.gz
    dpkg-deb -e "$(deb libpam-pwdpolicy)" "$work/pam"
    grep -q 'pam-auth-update --package$' "$work/pam/postinst" || fail "postinst does not register the profile"
    grep -q 'pam-auth-update --package --remove pwdpolicy' "$work/pam/prerm" || fail "prerm leaves the profile"
fi
grep -q 'libvc-' <<<"$(dpkg-deb -c "$(deb libpwdpolicy1)")" && fail "libpwdpolicy1 carries the stand-ins"
for package in "${packages[@]}"; do
    grep -q vesticor <<<"$(dpkg-deb -c "$(deb "$package")")" && fail "$package ships files under /usr/local/vesticor"
    dpkg-deb -e "$(deb "$package")" "$work/control-$package"
    grep -qs /usr/local "$work/control-$package"/{pre,post}{inst,rm} && fail "$package: a script touches /usr/local"
done
depends=$(dpkg-deb -f "$(deb libpwdpolicy1)" Depends)
for need in libinih1 libvc-common1 libvc-tidesafe1; do [[ $depends == *$need* ]] || fail "no Depends: $need"; done
[[ $(dpkg-deb -f "$(deb libvc-standins1)" Provides) == "libvc-common1, libvc-tidesafe1" ]] \
    || fail "libvc-standins1 does not provide the support libraries' names"

# Unpacked, ppc runs on the packaged library found as ld.so.conf would: no RUNPATH.
root=$work/root
for package in "${packages[@]}"; do dpkg -x "$(deb "$package")" "$root"; done
export LD_LIBRARY_PATH=$root/$lib VC_LOG_FILE=$work/log-%p
[[ $("$root/usr/bin/ppc" --version) == "$version" ]] || fail "packaged ppc --version"
bash "$source/tests/symbols/exports.sh" "$root/$lib/libpwdpolicy.so.$version" "$source/include/pwdpolicy.h" \
    "$source/src/libpwdpolicy.map" || fail "the Release build exports other names"
grep -q 'R.*PATH' <<<"$(readelf -d "$root/usr/bin/ppc" "$root/$lib/libpwdpolicy.so.$version")" && fail "RUNPATH"
if unshare --mount --propagation private true 2>/dev/null; then
    # shellcheck disable=SC2016 # $1 is expanded by the inner shell
    answer=$(unshare --mount --propagation private sh -c 'mount -t tmpfs scratch /usr/local &&
        "$1/usr/bin/ppc" config init --from "$1/usr/share/pwdpolicy" >/dev/null &&
        "$1/usr/bin/ppc" check Blue-Kettle-42 && "$1/usr/bin/ppc" weak password' sh "$root") || true
    [[ $answer == $'matches policy 0\nweak: in the weak-password dictionary' ]] \
        || fail "packaged ppc with the packaged samples: $answer"
fi
