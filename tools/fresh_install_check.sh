#!/usr/bin/env bash
# Proves the README's test command on a machine that is no longer fresh.
#
# THIS SCRIPT REMOVES PACKAGES.  As root, it purges every package of
# tools/packages.list that ./test.sh's steps install on demand (the cross
# compilers, wine, qemu, Dask, matplotlib, polyglot, stockfish, lintian, the
# web build's and the rest, with whatever only they pulled in), keeping only
# what a new machine of this kind already carries (the compilers, CMake,
# GoogleTest, Ninja, Python).  Then it runs ./test.sh in a fresh clone of
# HEAD, with no standard input and an empty compiler cache, as a new user's
# first run would, and prints its result, its time, and the download and
# disk of its installs as apt-get counted them ("Need to get A/B": A is
# what was fetched, B the whole, of which apt's cache already held B - A); with --twice it runs ./test.sh a second time in the
# same clone (packages present, compiler cache warm).  Never run by CI.
#   tools/fresh_install_check.sh [--twice] [--keep-clone]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
twice=0 keep=0
for a in "$@"; do
    case $a in
        --twice) twice=1 ;;
        --keep-clone) keep=1 ;;
        *) echo "usage: tools/fresh_install_check.sh [--twice] [--keep-clone]" >&2; exit 2 ;;
    esac
done
[ "$(id -u)" = 0 ] || { echo "fresh_install_check: run as root (it removes packages)" >&2; exit 2; }

# What a new machine of this kind has before anything of ours is installed
# (its own node among them, which need not be Debian's build).
base="cmake g++ make clang libclang-rt-14-dev ninja-build libgtest-dev googletest python3 file nodejs"
sets=$(awk '!/^#/ && NF { print $1 }' "$root/tools/packages.list")
# shellcheck disable=SC2046
mapfile -t remove < <("$root/tools/install_deps.sh" --print $(printf -- '--set %s ' $sets) |
    grep -vxF -f <(tr ' ' '\n' <<<"$base"))

used_mib() { df -B1M --output=used / | tail -1 | tr -d ' '; }
echo "== removing: ${remove[*]}"
# The base stays even where it came in as another package's dependency.
# shellcheck disable=SC2086
apt-mark manual $(for p in $base; do dpkg-query -W -f='${Package}\n' "$p" 2>/dev/null; done) >/dev/null
"$root/tools/install_deps.sh" --purge "${remove[@]}" || exit 1
disk0=$(used_mib)

work=$(mktemp -d /tmp/quintar-fresh.XXXXXX)
git clone -q "$root" "$work/clone" || exit 1
export CCACHE_DIR=$work/ccache
run_tests() {  # run_tests LABEL: ./test.sh once, its last lines and time
    local start=$SECONDS status
    (cd "$work/clone" && ./test.sh </dev/null >"$work/$1.log" 2>&1)
    status=$?
    echo "== ./test.sh, $1: status $status in $((SECONDS - start)) s"
    grep -E '^(install_deps:|failed step:|all steps:|[0-9]+ passed, [0-9]+ failed$)' "$work/$1.log"
    return $status
}
run_tests first
status=$?
clone_mib=$(du -sm "$work" | cut -f1)
echo "== disk: $(($(used_mib) - disk0 - clone_mib)) MiB more in use beside the clone," \
    "which with its builds and compiler cache takes $clone_mib MiB"
if [ $twice = 1 ]; then
    run_tests second || status=1
fi
if [ $keep = 1 ]; then echo "clone and logs kept in $work"; else rm -rf "$work"; fi
exit $status
