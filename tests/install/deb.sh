#!/usr/bin/env bash
# deb.sh BUILD_DIR SOURCE_DIR: builds the Debian packages (in BUILD_DIR/deb-tree), checks them, runs ppc.
source "$(dirname "$0")/common.sh"
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
fi
python_dir=./usr/lib/python3/dist-packages/pwdpolicy
python=0
if grep -q '^PWDPOLICY_BUILD_PYTHON:BOOL=ON' "$build/deb-tree/CMakeCache.txt"; then
    python=1
    expect python3-pwdpolicy "$python_dir/__init__.py" "$python_dir/django.py" "$python_dir/py.typed"
fi
grep -q 'libvc-' <<<"$(dpkg-deb -c "$(deb libpwdpolicy1)")" && fail "libpwdpolicy1 carries the stand-ins"
for package in "${packages[@]}"; do
    grep -q vesticor <<<"$(dpkg-deb -c "$(deb "$package")")" && fail "$package ships files under /usr/local/vesticor"
done
depends=$(dpkg-deb -f "$(deb libpwdpolicy1)" Depends)
for need in libinih1 libvc-common1 libvc-tidesafe1; do [[ $depends == *$need* ]] || fail "no Depends: $need"; done

# Unpacked: the Release build exports only the public names, and nothing carries a RUNPATH.
root=$work/root
for package in "${packages[@]}"; do dpkg -x "$(deb "$package")" "$root"; done
bash "$source/tests/symbols/exports.sh" "$root/$lib/libpwdpolicy.so.$version" "$source/include/pwdpolicy.h" \
    "$source/src/libpwdpolicy.map" || fail "the Release build exports other names"
grep -q 'R.*PATH' <<<"$(readelf -d "$root/usr/bin/ppc" "$root/$lib/libpwdpolicy.so.$version")" && fail "RUNPATH"

# Installed with dpkg -i into throwaway overlays of /usr, /var and /etc in a mount namespace of its own:
# ppc judges with the packaged samples, Debian's python3 imports the package, and removing it leaves nothing.
if unshare --mount --propagation private true 2>/dev/null; then
    debs=("$(deb libpwdpolicy1)" "$(deb libvc-standins1)" "$(deb pwdpolicy-tools)")
    expected=$'matches policy 0\nweak: in the weak-password dictionary'
    if ((python)); then
        debs+=("$(deb python3-pwdpolicy)")
        expected+=$'\nVerdict.MATCH\nremoved'
    fi
    # shellcheck disable=SC2016 # expanded by the inner shell
    answer=$(env -u LD_LIBRARY_PATH VC_LOG_FILE="$work/log-%p" unshare --mount --propagation private sh -ec '
        overlay=$1 python=$2 && shift 2
        for dir in usr var etc; do
            mkdir -p "$overlay/$dir/upper" "$overlay/$dir/work"
            mount -t overlay overlay -o "lowerdir=/$dir,upperdir=$overlay/$dir/upper,workdir=$overlay/$dir/work" "/$dir"
        done
        mkdir -p /usr/local/vesticor && mount -t tmpfs scratch /usr/local/vesticor
        dpkg -i "$@" >/dev/null
        /usr/bin/ppc config init >/dev/null && /usr/bin/ppc check Blue-Kettle-42 && ! /usr/bin/ppc weak password
        [ "$python" = 1 ] || exit 0
        cd / && /usr/bin/python3 -c "import pwdpolicy; print(pwdpolicy.check(\"Blue-Kettle-42\"))"
        dpkg -r python3-pwdpolicy >/dev/null
        [ -e /usr/lib/python3/dist-packages/pwdpolicy ] || echo removed' \
        sh "$work/overlay" "$python" "${debs[@]}" 2>&1) || true
    [[ $answer == "$expected" ]] || fail "installed with dpkg -i: $answer"
fi
