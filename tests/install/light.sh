#!/usr/bin/env bash
# light.sh BUILD_DIR SOURCE_DIR: the README's light set-up path, scripts/setup.sh --light, as a
# newcomer runs it, but installed into a staging folder: builds in BUILD_DIR/light-tree
# (incremental after the first run), then checks what was staged and runs the staged ppc.
source "$(dirname "$0")/common.sh"
"$source/scripts/setup.sh" --light --build-dir "$build/light-tree" --dest "$work/stage" >"$work/setup.log" 2>&1 \
    || { cat "$work/setup.log" >&2; fail "scripts/setup.sh --light"; }
rm -f "$(sed -n 's/.*(the build log is \(.*\))$/\1/p' "$work/setup.log")"

prefix=$work/stage/usr/local
libdir=$(sed -n 's/^CMAKE_INSTALL_LIBDIR:[A-Z]*=//p' "$build/light-tree/CMakeCache.txt")
for file in bin/ppc include/pwdpolicy.h "$libdir/libpwdpolicy.so.1" "$libdir/libvc-common.so.1" \
            "$libdir/pkgconfig/pwdpolicy.pc" share/man/man1/ppc.1.gz share/pwdpolicy/weakpwd.dic; do
    [[ -e $prefix/$file ]] || fail "$file not staged"
done
extra=$(cd "$prefix" && find . -path '*java*' -o -path '*python*' -o -path '*security*')
[[ -z $extra ]] || fail "the light path staged what it does not build: $extra"
[[ ! -e $work/stage/usr/local/vesticor ]] || fail "the staged install wrote a live configuration"

# shellcheck disable=SC2016 # $1 is expanded by the inner shell
answer=$(unshare --mount --propagation private sh -c 'mkdir -p /usr/local/vesticor/conf && mount -t tmpfs scratch /usr/local/vesticor/conf &&
    "$1/bin/ppc" config init --from "$1/share/pwdpolicy" >/dev/null && "$1/bin/ppc" check Blue-Kettle-42' \
    sh "$prefix") || true
[[ $answer == "matches policy 0" ]] || fail "staged ppc: $answer"
