#!/bin/sh
# private-conf.sh COMMAND [ARGS...]: every test's launcher. Runs COMMAND at DEBUG log level in a mount
# namespace of its own, with an empty tmpfs "ppc-test-conf" (testenv::ConfigFile checks for it) over
# the configuration folder. PPC_TEST_LD_PRELOAD becomes COMMAND's LD_PRELOAD. Needs root or userns.
set -eu
dir=/usr/local/vesticor/conf
[ "$#" -gt 0 ] || { echo "usage: private-conf.sh COMMAND [ARGS...]" >&2; exit 2; }
mkdir -p "$dir" 2>/dev/null || true
as_user=
[ "$(id -u)" -eq 0 ] || as_user="--user --map-root-user"
# shellcheck disable=SC2086 # as_user is a list of options
exec unshare --mount --propagation private $as_user -- sh -c '
    mount -t tmpfs -o mode=0755 ppc-test-conf "$0" || exit 125
    [ -z "${PPC_TEST_LD_PRELOAD:-}" ] || export LD_PRELOAD="$PPC_TEST_LD_PRELOAD"
    VC_LOG_LEVEL=DEBUG exec "$@"' "$dir" "$@"
