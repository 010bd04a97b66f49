#!/usr/bin/env bash
# The five-minute start, as root on a fresh Debian machine: installs what
# the build needs, builds, installs PwdPolicy under /usr/local, puts the
# sample configuration in place where none exists, and shows ppc at work.
#
#   scripts/setup.sh           everything scripts/test.sh needs too: a JDK and
#                              the Java binding, the test, benchmark and
#                              analysis tools; builds it all in build/
#   scripts/setup.sh --light   only the library and ppc (no Java, no tests,
#                              no benchmarks), built in build-light/
set -euo pipefail
cd "$(dirname "$0")/.."

light=0
case ${1:-} in
    --light) light=1 ;;
    "") ;;
    *) echo "usage: scripts/setup.sh [--light]" >&2; exit 2 ;;
esac
conf_dir=/usr/local/vesticor/conf
wordlist=/usr/share/john/password.lst
log=$(mktemp /tmp/pwdpolicy-setup.XXXXXX.log)
step() { printf '== %s\n' "$*"; }
quietly() { "$@" >>"$log" 2>&1 || { echo "failed: $* (details in $log)" >&2; tail -20 "$log" >&2; exit 1; }; }

if [[ $(id -u) -ne 0 ]]; then
    echo "run as root: it installs packages and writes under /usr/local" >&2
    exit 1
fi

# The sample dictionary: the repository's short list merged with john-data's
# public-domain list of common passwords (the short list alone without it).
options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DPWDPOLICY_INSTALL_LIVE_CONFIG=OFF)
if ((light)); then
    step "installing build dependencies for the library and ppc (Debian packages)"
    quietly scripts/install-deps.sh --light
    build="build-light"
    options+=(-DPWDPOLICY_BUILD_TESTS=OFF -DPWDPOLICY_BUILD_BENCH=OFF -DPWDPOLICY_BUILD_JAVA=OFF)
    targets=(--target ppc pwdpolicy_man)
else
    step "installing build dependencies, a JDK and the test tools (Debian packages)"
    quietly scripts/install-deps.sh
    build=build
    targets=()
fi
if [[ -r $wordlist ]]; then
    options+=("-DPWDPOLICY_EXTRA_WORDLIST=$wordlist")
    ((light)) && targets+=(pwdpolicy_sample_dictionary)
fi

step "building ($build/)"
quietly cmake -S . -B "$build" "${options[@]}"
quietly cmake --build "$build" -j"$(nproc)" "${targets[@]}"

step "installing under /usr/local"
quietly cmake --install "$build"
quietly ldconfig
echo "   library, header, ppc, man pages, pkg-config and CMake files are in /usr/local"
# The samples go to the fixed path only where the operator has no file yet.
/usr/local/bin/ppc config init --from /usr/local/share/pwdpolicy | sed 's/^/   /'

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
