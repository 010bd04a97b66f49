#!/usr/bin/env bash
# Builds the Debian packages (scripts/package-deb.sh, into a packaging tree
# kept inside the build directory so later runs are incremental), checks
# what each holds, extracts them into a scratch root and runs the packaged
# ppc on the packaged library and sample configuration.
# Usage: deb.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# The packaging tree compiles with the build's compiler launcher (ccache).
launchers=()
for lang in C CXX; do
    launcher=$(sed -n "s/^CMAKE_${lang}_COMPILER_LAUNCHER:[A-Z]*=//p" "$build/CMakeCache.txt")
    [[ -n $launcher ]] && launchers+=("-DCMAKE_${lang}_COMPILER_LAUNCHER=$launcher")
done
PWDPOLICY_DEB_CMAKE_ARGS="${launchers[*]:-}" \
    "$source/scripts/package-deb.sh" "$build/deb-tree" "$work/debs" >"$work/package.log" 2>&1 \
    || { cat "$work/package.log" >&2; fail "scripts/package-deb.sh"; }

arch=$(dpkg --print-architecture)
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
lib=./usr/lib/$multiarch
version=$(sed -n 's/^#define PPC_VERSION "\(.*\)"/\1/p' "$source/include/pwdpolicy.h")
deb() { echo "$work/debs/$1_${version}_$arch.deb"; }
packages=(libpwdpolicy1 libpwdpolicy-dev pwdpolicy-tools libvc-standins1)
grep -q 'PWDPOLICY_BUILD_JAVA:BOOL=ON' "$build/deb-tree/CMakeCache.txt" && packages+=(libpwdpolicy-java)
grep -q '^PWDPOLICY_PAM_INCLUDE_DIR:.*=/' "$build/deb-tree/CMakeCache.txt" && packages+=(libpam-pwdpolicy)

# Each package holds its own files and nothing of the others'.
expect() {  # PACKAGE FILE...
    local package=$1 contents
    shift
    contents=$(dpkg-deb -c "$(deb "$package")" | awk '{print $6}')
    for file in "$@" "./usr/share/doc/$package/copyright" "./usr/share/doc/$package/changelog.gz"; do
        grep -qxF "$file" <<<"$contents" || fail "$file missing from $package"
    done
}
for package in "${packages[@]}"; do [[ -f $(deb "$package") ]] || fail "no package $package"; done
expect libpwdpolicy1 "$lib/libpwdpolicy.so.1" "$lib/libpwdpolicy.so.$version"
expect libpwdpolicy-dev ./usr/include/pwdpolicy.h "$lib/libpwdpolicy.so" "$lib/pkgconfig/pwdpolicy.pc" \
       "$lib/cmake/PwdPolicy/PwdPolicyConfig.cmake" ./usr/share/man/man3/libpwdpolicy.3.gz
expect pwdpolicy-tools ./usr/bin/ppc ./usr/share/man/man1/ppc.1.gz ./usr/share/man/man5/ppc.conf.5.gz \
       ./usr/share/pwdpolicy/ppc.conf ./usr/share/pwdpolicy/weakpwd.dic
expect libvc-standins1 "$lib/libvc-common.so.1" "$lib/libvc-tidesafe.so.1"
[[ " ${packages[*]} " == *" libpwdpolicy-java "* ]] \
    && expect libpwdpolicy-java ./usr/share/java/pwdpolicy.jar "./usr/share/java/pwdpolicy-$version.jar" \
              "$lib/jni/libpwdpolicy.so"
[[ " ${packages[*]} " == *" libpam-pwdpolicy "* ]] \
    && expect libpam-pwdpolicy "$lib/security/pam_pwdpolicy.so" ./usr/share/pam-configs/pwdpolicy \
              ./usr/share/man/man8/pam_pwdpolicy.8.gz
dpkg-deb -c "$(deb libpwdpolicy1)" | grep -q 'libvc-' && fail "libpwdpolicy1 carries the stand-ins"

for package in "${packages[@]}"; do
    file=$(deb "$package")
    dpkg-deb -c "$file" | grep -q 'vesticor' && fail "$package ships files under the live configuration path"
    dpkg-deb -e "$file" "$work/control-$package"
    # Maintainer scripts, if any, only run ldconfig; nothing writes under /usr/local.
    for script in preinst postinst prerm postrm; do
        [[ -e $work/control-$package/$script ]] || continue
        grep -q '/usr/local' "$work/control-$package/$script" && fail "$package $script touches /usr/local"
    done
done
for package in libpwdpolicy1 libvc-standins1; do
    grep -qx 'activate-noawait ldconfig' "$work/control-$package/triggers" || fail "$package: no ldconfig trigger"
    [[ -s $work/control-$package/shlibs ]] || fail "$package: no shlibs file"
done
depends=$(dpkg-deb -f "$(deb libpwdpolicy1)" Depends)
for need in libinih1 libvc-common1 libvc-tidesafe1; do
    grep -q "$need" <<<"$depends" || fail "libpwdpolicy1 does not depend on $need"
done
[[ $(dpkg-deb -f "$(deb libvc-standins1)" Provides) == "libvc-common1, libvc-tidesafe1" ]] \
    || fail "libvc-standins1 does not provide the support libraries' names"

# Install into a scratch root and run the packaged tool on the packaged
# library: no RUNPATH, so the library directory is named as ld.so.conf would.
root=$work/root
for package in "${packages[@]}"; do dpkg -x "$(deb "$package")" "$root"; done
grep -q 'License: BSD-3-Clause' "$root/usr/share/doc/libpwdpolicy1/copyright" || fail "copyright file"
export LD_LIBRARY_PATH=$root/usr/lib/$multiarch
export VC_LOG_FILE=$work/log-%p
[[ $("$root/usr/bin/ppc" --version) == "$version" ]] || fail "packaged ppc --version"
readelf -d "$root/usr/bin/ppc" "$root/$lib/libpwdpolicy.so.$version" | grep -q 'R.*PATH' && fail "RUNPATH in a package"
# With the packaged samples at the fixed path, in a mount namespace of its
# own so that the machine's configuration is not touched.
if unshare --mount --propagation private true 2>/dev/null; then
    # shellcheck disable=SC2016 # $1 is expanded by the inner shell
    answer=$(unshare --mount --propagation private sh -c '
        mount -t tmpfs scratch /usr/local &&
        "$1/usr/bin/ppc" config init --from "$1/usr/share/pwdpolicy" >/dev/null &&
        "$1/usr/bin/ppc" check Blue-Kettle-42 && "$1/usr/bin/ppc" weak password' sh "$root") || true
    [[ $answer == $'matches policy 0\nweak: in the weak-password dictionary' ]] \
        || fail "packaged ppc with the packaged samples: $answer"
fi
echo "deb packages: ok (${packages[*]})"
