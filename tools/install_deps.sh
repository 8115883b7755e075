#!/usr/bin/env bash
# The one place this tree installs or removes Debian packages.
#
#   tools/install_deps.sh [--check] [--set NAME]... [PKG]...
#       installs the packages named and those of the sets in
#       tools/packages.list that are missing; with --check (or with
#       QUIN_DEPS_CHECK_ONLY=1 in the environment, as ./test.sh sets it for
#       its steps once it has installed everything) it only checks, and fails
#       naming what is missing.
#   tools/install_deps.sh --print [--set NAME]... [PKG]...
#       prints the package names, one a line.
#   tools/install_deps.sh --local FILE.deb      installs a package file
#   tools/install_deps.sh --remove PKG...       removes installed packages
#   tools/install_deps.sh --purge PKG...        purges them, and what only
#                                               they needed
#
# Installs never race each other: the apt-get update and install of one call
# run under one lock that every call of this script takes, and apt-get itself
# waits for dpkg's own lock (an install started by the system or by a person
# beside the run) instead of failing.  apt-get update runs only when
# something has to be installed.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
lock_file=${QUIN_APT_LOCK:-/run/lock/quintar-apt.lock}
lock_seconds=${QUIN_APT_LOCK_SECONDS:-1800}
apt_wait="-o DPkg::Lock::Timeout=$lock_seconds"

say() { printf 'install_deps: %s\n' "$*" >&2; }

mode=install
[ "${QUIN_DEPS_CHECK_ONLY:-0}" = 1 ] && mode=check
pkgs=()
set_packages() {  # the packages of set $1, or a failure naming it
    local line
    line=$(awk -v name="$1" '$1 == name { $1 = ""; print; found = 1 } END { exit !found }' \
        "$here/packages.list") || { say "no package set '$1' in tools/packages.list"; exit 2; }
    # shellcheck disable=SC2206
    pkgs+=($line)
}
while [ $# -gt 0 ]; do
    case $1 in
        --check) mode=check ;;
        --print) mode=print ;;
        --local) mode=local ;;
        --remove) mode=remove ;;
        --purge) mode=purge ;;
        --set) [ $# -ge 2 ] || { say "--set needs a name"; exit 2; }; set_packages "$2"; shift ;;
        -*) say "unknown option $1"; exit 2 ;;
        *) pkgs+=("$1") ;;
    esac
    shift
done

if [ "$mode" = print ]; then
    printf '%s\n' "${pkgs[@]}" | awk 'NF && !seen[$0]++'
    exit 0
fi

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
missing_of() {  # the packages named that are not installed, each once
    local p
    for p in "$@"; do installed "$p" || echo "$p"; done | awk '!seen[$0]++'
}

as_root=()
if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
        as_root=(sudo -n)
    fi
fi
need_root() {  # fails naming the packages when nobody may install them
    [ "$(id -u)" -eq 0 ] || [ ${#as_root[@]} -gt 0 ] && return 0
    say "missing packages: $* (install them as root: tools/install_deps.sh $*)"
    exit 1
}

# Holds the one lock on file descriptor 9 until the script ends.
take_lock() {
    mkdir -p "$(dirname "$lock_file")" 2>/dev/null || true
    exec 9>>"$lock_file" || { say "cannot open the lock $lock_file"; exit 1; }
    if ! flock -n 9; then
        say "waiting for another install to finish ($lock_file)"
        flock -w "$lock_seconds" 9 || { say "gave up waiting for $lock_file after $lock_seconds s"; exit 1; }
    fi
}

apt() {  # apt() ARGS...: apt-get as root, waiting for dpkg's lock; output to $log
    DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get $apt_wait -q -y "$@" >>"$log" 2>&1
}
log=$(mktemp)
trap 'rm -f "$log"' EXIT
failed() {  # the end of apt's output and the packages it could not handle
    tail -15 "$log" | sed 's/^/    /' >&2
    say "$*"
    exit 1
}

case $mode in
    check)
        mapfile -t missing < <(missing_of "${pkgs[@]}")
        [ ${#missing[@]} -eq 0 ] && exit 0
        say "missing packages: ${missing[*]} (tools/install_deps.sh ${missing[*]} installs them)"
        exit 1
        ;;
    install)
        mapfile -t missing < <(missing_of "${pkgs[@]}")
        [ ${#missing[@]} -eq 0 ] && exit 0
        need_root "${missing[@]}"
        take_lock
        # Another call may have installed them while this one waited.
        mapfile -t missing < <(missing_of "${pkgs[@]}")
        [ ${#missing[@]} -eq 0 ] && exit 0
        say "installing ${missing[*]}"
        apt update || failed "apt-get update failed; could not install ${missing[*]}"
        apt install --no-install-recommends "${missing[@]}" ||
            failed "could not install ${missing[*]}"
        # What the download and the disk cost, as apt-get reported them.
        grep -E '^(Need to get|After this operation)' "$log" | sed 's/^/install_deps: /' >&2 || true
        mapfile -t missing < <(missing_of "${pkgs[@]}")
        [ ${#missing[@]} -eq 0 ] || failed "still missing after the install: ${missing[*]}"
        ;;
    local)
        [ ${#pkgs[@]} -gt 0 ] || { say "--local needs a package file"; exit 2; }
        need_root "${pkgs[@]}"
        take_lock
        apt install "${pkgs[@]}" || failed "could not install ${pkgs[*]}"
        ;;
    remove | purge)
        mapfile -t present < <(for p in "${pkgs[@]}"; do installed "$p" && echo "$p"; done)
        [ ${#present[@]} -eq 0 ] && exit 0
        need_root "${present[@]}"
        take_lock
        say "${mode/%e/}ing ${present[*]}"
        if [ "$mode" = remove ]; then
            apt remove "${present[@]}" || failed "could not remove ${present[*]}"
        else
            apt purge "${present[@]}" || failed "could not purge ${present[*]}"
            apt autoremove --purge || failed "apt-get autoremove failed"
        fi
        ;;
esac
