#!/usr/bin/env bash
# The five-minute start, as root on a fresh Debian machine: installs what
# the build needs, builds, installs PwdPolicy under /usr/local, puts the
# sample configuration in place where none exists, and shows ppc at work.
#
#   scripts/setup.sh           everything scripts/test.sh needs too: a JDK and
#                              the Java binding, the Python module, the test,
#                              benchmark and analysis tools; builds it all in build/
#   scripts/setup.sh --light   only the library and ppc (no Java, no Python, no
#                              tests, no benchmarks), built in build-light/
#
#   --build-dir DIR   build in DIR instead
#   --dest DIR        install into the staging folder DIR (as DESTDIR) instead of
#                     the machine: no live configuration, no ldconfig, no tour.
#                     CI proves the light path this way (tests/install/light.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

usage() { echo "usage: scripts/setup.sh [--light] [--build-dir DIR] [--dest DIR]" >&2; exit 2; }
light=0
build=
dest=
while (($#)); do
    case $1 in
        --light) light=1 ;;
        --build-dir) (($# > 1)) || usage; build=$2; shift ;;
        --dest) (($# > 1)) || usage; dest=$2; shift ;;
        *) usage ;;
    esac
    shift
done
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
    build=${build:-build-light}
    options+=(-DPWDPOLICY_BUILD_TESTS=OFF -DPWDPOLICY_BUILD_BENCH=OFF -DPWDPOLICY_BUILD_JAVA=OFF
              -DPWDPOLICY_BUILD_PYTHON=OFF)
    targets=(--target ppc pwdpolicy_man)
    # What those targets build, and nothing else: the tree may also define
    # targets it did not build (the PAM module, where PAM's headers are).
    components=(runtime standins dev tools)
else
    step "installing build dependencies, a JDK, Python's and the test tools (Debian packages)"
    quietly scripts/install-deps.sh
    build=${build:-build}
    targets=()
    components=()
fi
if [[ -r $wordlist ]]; then
    options+=("-DPWDPOLICY_EXTRA_WORDLIST=$wordlist")
    ((light)) && targets+=(pwdpolicy_sample_dictionary)
fi

step "building ($build/)"
quietly cmake -S . -B "$build" "${options[@]}"
quietly cmake --build "$build" -j"$(nproc)" "${targets[@]}"

install_built() {
    if ((${#components[@]})); then
        for component in "${components[@]}"; do quietly cmake --install "$build" --component "$component"; done
    else
        quietly cmake --install "$build"
    fi
}

if [[ -n $dest ]]; then
    step "installing into $dest (staged)"
    DESTDIR=$(realpath -m "$dest")
    export DESTDIR
    install_built
    printf 'Staged under %s (the build log is %s)\n' "$dest" "$log"
    exit 0
fi

step "installing under /usr/local"
install_built
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

if ((!light)); then
    printf '\n'
    step "the Python module, for Debian's /usr/bin/python3"
    # From / so that nothing in the working directory shadows the installed package.
    extension=$(cd / && /usr/bin/python3 -c 'import pwdpolicy._pwdpolicy as e; print(e.__file__)')
    package=$(dirname "$extension")
    echo "   installed in $package"
    printf '\n$ /usr/bin/python3 -c '\''import pwdpolicy; print(pwdpolicy.check("Blue-Kettle-42"))'\''\n'
    (cd / && /usr/bin/python3 -c 'import pwdpolicy; print(pwdpolicy.check("Blue-Kettle-42"))')
    printf '\n$ /usr/bin/python3 python/examples/django_example.py\n'
    /usr/bin/python3 python/examples/django_example.py

    # The python3 that a user types may be another interpreter (pyenv, a
    # virtual environment), which does not see Debian's packages. One of the
    # same version takes the same extension: it gets a link to the package.
    # Under sudo, ask the invoking user's login shell which python3 it means.
    as_user=()
    [[ -n ${SUDO_USER:-} && $SUDO_USER != root ]] && command -v sudo >/dev/null && as_user=(sudo -u "$SUDO_USER" -i)
    suffix=${extension##*/_pwdpolicy}
    # Prints: the interpreter, whether it takes the extension, its site-packages, whether it imports pwdpolicy.
    probe="import importlib.machinery as m, importlib.util as u, sys, sysconfig; print(sys.executable, int('$suffix' in m.EXTENSION_SUFFIXES), sysconfig.get_path('purelib'), int(u.find_spec('pwdpolicy') is not None))"
    if read -r typed abi_matches site imports < <(cd / && "${as_user[@]}" python3 -c "$probe" 2>/dev/null); then
        if ((imports)); then
            echo "   python3 on your PATH ($typed) imports it"
        elif ((abi_matches)); then
            "${as_user[@]}" ln -sfn "$package" "$site/pwdpolicy"
            echo "   python3 on your PATH is $typed, which does not see Debian's packages:"
            echo "   linked $site/pwdpolicy to the installed package (remove the link to undo)."
            echo "   Django and pytest for it come from its own pip; /usr/bin/python3 has Debian's."
        else
            echo "   python3 on your PATH is $typed, another Python version: use /usr/bin/python3,"
            echo "   or build the module for it (docs/python.md)."
        fi
    fi
fi
printf '\nDone. Try: ppc --help   (the build log is %s)\n' "$log"
