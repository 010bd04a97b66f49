#!/bin/sh
# private-conf.sh COMMAND [ARGS...]: runs COMMAND in a mount namespace of its
# own, with an empty tmpfs over the component's configuration folder, so
# that what the command writes at /usr/local/vesticor/conf/ppc.conf never
# reaches the machine's real file, and any number of such commands can run
# side by side. The launcher of every test (CROSSCOMPILING_EMULATOR), and the
# way to run a benchmark or a hand check that writes the configuration.
# Every test logs at DEBUG level. PPC_TEST_LD_PRELOAD becomes LD_PRELOAD for
# the command alone: preloaded wrappers (pam_wrapper acts in every process it is
# loaded into) stay out of the launcher's own sh, unshare and mount.
#
# Needs root (as the CI runs), or unprivileged user namespaces, then used.
# Propagation is private: the mount is never seen outside, nor is one made
# outside seen inside. The tmpfs's source name, ppc-test-conf, is what
# testenv::ConfigFile looks for before it writes anything.
set -eu
dir=/usr/local/vesticor/conf
if [ "$#" -eq 0 ]; then
    echo "usage: private-conf.sh COMMAND [ARGS...]" >&2
    exit 2
fi
mkdir -p "$dir" 2>/dev/null || true
as_user=
[ "$(id -u)" -eq 0 ] || as_user="--user --map-root-user"
# shellcheck disable=SC2086 # as_user is a list of options
exec unshare --mount --propagation private $as_user -- sh -c '
    mount -t tmpfs -o mode=0755 ppc-test-conf "$0" || exit 125
    if [ -n "${PPC_TEST_LD_PRELOAD:-}" ]; then
        LD_PRELOAD=$PPC_TEST_LD_PRELOAD
        export LD_PRELOAD
    fi
    VC_LOG_LEVEL=DEBUG exec "$@"' "$dir" "$@"
