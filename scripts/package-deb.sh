#!/usr/bin/env bash
# Builds the Debian packages: configures a tree for /usr (multiarch library
# directory, no RUNPATH, Debian's hardening flags), builds it, runs CPack and,
# when lintian is installed, fails on any lintian error.
#
#   scripts/package-deb.sh [BUILD_DIR [OUT_DIR]]     (defaults: build-deb, build-deb)
#
# Extra cmake arguments can be given in PWDPOLICY_DEB_CMAKE_ARGS. When
# john-data's list of common passwords is installed, it is merged into the
# sample dictionary (PWDPOLICY_EXTRA_WORDLIST= to leave it out).
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$source_dir/build-deb}
out=${2:-$build}
mkdir -p "$build" "$out"
build=$(cd "$build" && pwd)
out=$(cd "$out" && pwd)

wordlist=${PWDPOLICY_EXTRA_WORDLIST-/usr/share/john/password.lst}
[[ -n $wordlist && -r $wordlist ]] || wordlist=
java=OFF
command -v javac >/dev/null && java=ON

# Debian's build flags (hardening, fortify, relro), as debhelper passes them;
# CMake reads no CPPFLAGS, so the preprocessor flags join the compilers'.
# Given as cache entries, so that they also reach an existing tree.
cppflags=$(dpkg-buildflags --get CPPFLAGS)
# PWDPOLICY_DEB_CMAKE_ARGS is split into words on purpose.
# shellcheck disable=SC2086
cmake -S "$source_dir" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
      -DCMAKE_C_FLAGS="$(dpkg-buildflags --get CFLAGS) $cppflags" \
      -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $cppflags" \
      -DCMAKE_SHARED_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
      -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
      -DPWDPOLICY_BUILD_TESTS=OFF -DPWDPOLICY_BUILD_BENCH=OFF -DPWDPOLICY_BUILD_JAVA=$java \
      -DPWDPOLICY_EXTRA_WORDLIST="$wordlist" ${PWDPOLICY_DEB_CMAKE_ARGS:-} >"$build/configure.log" \
    || { cat "$build/configure.log" >&2; exit 1; }
cmake --build "$build" -j"$(nproc)" >"$build/build.log" 2>&1 || { tail -40 "$build/build.log" >&2; exit 1; }
rm -f "$out"/*.deb
(cd "$build" && cpack -G DEB -B "$out" >"$build/cpack.log" 2>&1) || { cat "$build/cpack.log" >&2; exit 1; }
rm -rf "$out/_CPack_Packages"

if command -v lintian >/dev/null; then
    # Root is refused by default; the packages are only read.
    lintian --allow-root --fail-on error --suppress-tags-from-file "$source_dir/cmake/debian/lintian-known" \
            "$out"/*.deb
fi
ls "$out"/*.deb
