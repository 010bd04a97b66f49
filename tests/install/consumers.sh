#!/usr/bin/env bash
# Installs the build into a temporary prefix and builds two outside
# consumers against it, one through find_package(PwdPolicy) and one through
# pkg-config, then runs them and the installed ppc.
# Usage: consumers.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
export VC_LOG_FILE=$work/log-%p   # keep the support library's log out of /usr/local

cmake --install "$build" --prefix "$prefix" >"$work/install.log"
if grep -q vesticor "$work/install.log"; then
    echo "FAIL: an install to a temporary prefix touched the live configuration" >&2
    exit 1
fi
for file in include/pwdpolicy.h lib/libpwdpolicy.so.1 lib/libvc-common.so.1 lib/libvc-tidesafe.so.1 \
            lib/pkgconfig/pwdpolicy.pc lib/cmake/PwdPolicy/PwdPolicyConfigVersion.cmake \
            share/pwdpolicy/ppc.conf share/pwdpolicy/weakpwd.dic bin/ppc; do
    [[ -e $prefix/$file ]] || { echo "FAIL: $file not installed" >&2; exit 1; }
done
[[ $(readlink "$prefix/lib/libpwdpolicy.so") == libpwdpolicy.so.1 ]] \
    || { echo "FAIL: libpwdpolicy.so does not point at its soname" >&2; exit 1; }

# The installed tool finds the installed library without help.
[[ $("$prefix/bin/ppc" --version) == "$(sed -n 's/^#define PPC_VERSION "\(.*\)"/\1/p' "$source/include/pwdpolicy.h")" ]] \
    || { echo "FAIL: installed ppc --version" >&2; exit 1; }

# find_package(PwdPolicy).
cmake -S "$source/tests/install/consumer" -B "$work/cmake-build" -DCMAKE_PREFIX_PATH="$prefix" \
      >"$work/cmake.log" 2>&1 || { cat "$work/cmake.log" >&2; exit 1; }
cmake --build "$work/cmake-build" >"$work/cmake-build.log" 2>&1 || { cat "$work/cmake-build.log" >&2; exit 1; }
"$work/cmake-build/consumer"

# pkg-config.
export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
[[ $(pkg-config --modversion pwdpolicy) == $("$prefix/bin/ppc" --version) ]] \
    || { echo "FAIL: pkg-config version" >&2; exit 1; }
# shellcheck disable=SC2046
cc -o "$work/pc-consumer" "$source/tests/install/consumer/consumer.c" \
   $(pkg-config --cflags --libs pwdpolicy) -Wl,-rpath,"$prefix/lib"
"$work/pc-consumer"
echo "install consumers: ok"
