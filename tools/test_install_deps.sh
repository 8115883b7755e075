#!/usr/bin/env bash
# Checks tools/install_deps.sh against stand-ins for apt-get and dpkg-query:
# nothing is installed, no network, no root needed.
set -u
# shellcheck source=tools/test_common.sh
. "$(dirname "$0")/test_common.sh"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir "$tmp/bin"
# dpkg-query: installed means listed in $tmp/installed.
cat >"$tmp/bin/dpkg-query" <<'EOF'
#!/usr/bin/env bash
pkg=${*: -1}
grep -qx "$pkg" "$STUB_DIR/installed" 2>/dev/null && printf 'install ok installed' && exit 0
exit 1
EOF
# apt-get: logs each call with its options; an install takes half a second
# and marks its packages installed; STUB_FAIL=1 makes every call fail.
cat >"$tmp/bin/apt-get" <<'EOF'
#!/usr/bin/env bash
[ "${STUB_FAIL:-0}" = 1 ] && { echo "E: Unable to locate package"; exit 100; }
echo "start $$ $*" >>"$STUB_DIR/calls"
cmd= ; pkgs=()
for a in "$@"; do
    case $a in -*|*=*) ;; update|install|remove|purge|autoremove) [ -z "$cmd" ] && cmd=$a ;; *) pkgs+=("$a") ;; esac
done
if [ "$cmd" = install ]; then
    sleep 0.5
    printf '%s\n' "${pkgs[@]}" >>"$STUB_DIR/installed"
    echo "Need to get 1,024 kB of archives."
fi
echo "end $$" >>"$STUB_DIR/calls"
EOF
chmod +x "$tmp/bin/"*
export STUB_DIR=$tmp PATH="$tmp/bin:$PATH" QUIN_APT_LOCK=$tmp/apt.lock
unset QUIN_DEPS_CHECK_ONLY
deps=$root/tools/install_deps.sh
: >"$tmp/installed"

no_overlap() {  # every "start" is followed by its own "end" before the next start
    "$deps" pkg-a pkg-b 2>"$tmp/one.err" & local one=$!
    "$deps" pkg-b pkg-a 2>"$tmp/two.err" & local two=$!
    wait $one && wait $two || return 1
    awk '$1 == "start" { if (open) exit 1; open = $2 } $1 == "end" { if ($2 != open) exit 1; open = "" }
         END { exit open != "" }' "$tmp/calls"
}
check "two installs at once run one after the other" no_overlap
once() {  # the second call found both packages installed: one update, one install
    [ "$(grep -c '^start.* update' "$tmp/calls")" = 1 ] &&
        [ "$(grep -c '^start.* install' "$tmp/calls")" = 1 ]
}
check "the second install finds what the first installed" once
check "apt-get waits for dpkg's lock" eval '! grep "^start" "$tmp/calls" | grep -vq "DPkg::Lock::Timeout="'
check "the download size is reported" grep -q "Need to get 1,024 kB" "$tmp/one.err" "$tmp/two.err"

check_mode() {
    : >"$tmp/calls"
    ! QUIN_DEPS_CHECK_ONLY=1 "$deps" pkg-a pkg-c 2>"$tmp/check.err" &&
        grep -q "missing packages: pkg-c " "$tmp/check.err" && [ ! -s "$tmp/calls" ] &&
        "$deps" --check pkg-a pkg-b
}
check "check mode names what is missing and installs nothing" check_mode
sets() {
    [ "$("$deps" --print --set windows --set mingw)" = "$(printf 'g++-mingw-w64-x86-64\nwine64')" ] &&
        ! "$deps" --set no-such-set 2>"$tmp/set.err" && grep -q "no package set 'no-such-set'" "$tmp/set.err"
}
check "package sets resolve, an unknown set is an error" sets
failing() {
    ! STUB_FAIL=1 "$deps" pkg-z 2>"$tmp/fail.err" && grep -q "could not install pkg-z" "$tmp/fail.err"
}
check "a failed install names the packages" failing
finish
