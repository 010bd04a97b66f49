#!/usr/bin/env bash
# The five-minute start, as root on a fresh Debian machine: installs what
# the build needs, builds, installs PwdPolicy under /usr/local, puts the
# sample configuration in place where none exists, and shows ppc at work.
set -euo pipefail
cd "$(dirname "$0")/.."

conf_dir=/usr/local/vesticor/conf
log=$(mktemp /tmp/pwdpolicy-setup.XXXXXX.log)
step() { printf '== %s\n' "$*"; }
quietly() { "$@" >>"$log" 2>&1 || { echo "failed: $* (details in $log)" >&2; tail -20 "$log" >&2; exit 1; }; }

if [[ $(id -u) -ne 0 ]]; then
    echo "run as root: it installs packages and writes under /usr/local" >&2
    exit 1
fi

step "installing build dependencies (Debian packages)"
quietly scripts/install-deps.sh

step "building (build/)"
quietly cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
quietly cmake --build build -j"$(nproc)"

step "installing under /usr/local"
# Before cmake --install, which would also copy the samples where missing:
# say here which files are the operator's and are kept.
mkdir -p "$conf_dir"
for name in ppc.conf weakpwd.dic; do
    if [[ -e $conf_dir/$name ]]; then
        echo "   kept your $conf_dir/$name"
    else
        install -m 0644 "config/$name" "$conf_dir/$name"
        echo "   installed the sample $conf_dir/$name"
    fi
done
quietly cmake --install build
quietly ldconfig
echo "   library, header, ppc, pkg-config and CMake files are in /usr/local"

ppc=/usr/local/bin/ppc
show() {
    printf '\n$ ppc %s\n' "$*"
    "$ppc" "$@" || true   # a password that breaks a rule exits 1: expected here
}
step "ppc at work (with the configuration in $conf_dir)"
if ! "$ppc" config check >/dev/null; then
    echo "   note: 'ppc config check' reports problems with the configuration:"
    "$ppc" config check | sed 's/^/   /' || true
fi
show policies
show check 'Blue-Kettle-42'
show check 'Bk-42'
show check 'Blue-Kettle-42-and-a-rather-long-tail'
show check 'bluekettle'
show check --special-check 'Blue@Kettle42'
show weak 'password'
show strong 'Passw0rd!'
show strong 'Blue-Kettle-42'
show gen --count 3
printf '\nDone. Try: ppc --help   (the build log is %s)\n' "$log"
