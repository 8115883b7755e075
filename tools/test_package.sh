#!/usr/bin/env bash
# The check functions run only through check, which shellcheck cannot follow.
# shellcheck disable=SC2317
# Builds the Debian package (tools/package.sh deb), checks it with lintian,
# installs it (tools/install_deps.sh --local), checks the installed program (and its hardening),
# manual page and documentation, removes the package again and checks that
# the program is gone.  Runs as root; it
# replaces an installed quintar package.  Prints "N passed, M failed".
set -uo pipefail
# shellcheck source=tools/test_common.sh
. "$(dirname "$0")/test_common.sh"

[ "$(id -u)" = 0 ] || die "run as root: the test installs and removes the package"
install_packages --set package

"$root/tools/package.sh" deb >/dev/null || die "package build failed"
shopt -s nullglob
debs=("$root"/dist/quintar_*.deb)
[ ${#debs[@]} = 1 ] || die "expected one dist/quintar_*.deb, found ${#debs[@]}"
deb=${debs[0]}
say "package $(basename "$deb")"

# The path a login shell of an ordinary user gets on Debian (login.defs).
user_path=/usr/local/bin:/usr/bin:/bin:/usr/local/games:/usr/games
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

field() { dpkg-deb -f "$deb" "$1"; }
control_fields() {
    [ "$(field Package)" = quintar ] && [ "$(field Section)" = games ] &&
        [ "$(field Maintainer)" = "Quintar project <quintar@example.org>" ] &&
        [[ $(field Depends) == *libc6* ]]
}
package_files() {
    dpkg-deb -c "$deb" | awk '{print $6}' | grep -v '/$' >"$tmp/files"
    printf '%s\n' ./usr/games/quintar ./usr/lib/quintar/quintar-x86-64-v3 ./usr/share/doc/quintar/README.md \
        ./usr/share/doc/quintar/changelog.gz ./usr/share/doc/quintar/copyright \
        ./usr/share/man/man6/quintar.6.gz | diff - "$tmp/files"
}
lintian_clean() {  # no error and no warning, pedantic tags shown as well
    lintian --pedantic --info --fail-on error,warning "$deb" 2>/dev/null | tee "$tmp/lintian" &&
        ! grep -q '^[EW]: ' "$tmp/lintian"
}
source_manpage() {
    man --warnings -l "$root/doc/quintar.6" 2>"$tmp/warn" >/dev/null && [ ! -s "$tmp/warn" ]
}
for name in control_fields package_files lintian_clean source_manpage; do check "$name" "$name"; done

install_deb() {
    "$root/tools/install_deps.sh" --local "$deb"
}
status_lines() {
    local out
    out=$(/usr/games/quintar --status) || return 1
    [ "$out" = "Quintar C-Engine: OK, bin da.
Programmstart erfolgreich. Keine Schachberechnung ausgefuehrt." ]
}
uci_on_user_path() {  # what a GUI starting plain "quintar" gets
    [ "$(PATH=$user_path command -v quintar)" = /usr/games/quintar ] &&
        printf 'uci\nquit\n' | PATH=$user_path quintar | grep -qx uciok
}
v3_started() {  # the build for newer processors, where this one has their instructions
    local expected=/usr/games/quintar exe
    has_v3 && expected=/usr/lib/quintar/quintar-x86-64-v3
    exe=$(started_program quintar PATH="$user_path")
    [ "$exe" = "$expected" ] || { say "  started $exe, expected $expected"; return 1; }
}
installed_manpage() {
    man --warnings 6 quintar 2>"$tmp/warn" >"$tmp/page" && [ ! -s "$tmp/warn" ] &&
        grep -q 'EXIT STATUS' "$tmp/page"
}
installed_readme() { cmp -s "$root/README.md" /usr/share/doc/quintar/README.md; }
installed_changelog() {  # the Debian changelog names the package's version
    [ "$(dpkg-parsechangelog -l /usr/share/doc/quintar/changelog.gz -S Version)" = "$(field Version)" ]
}
# Every protection of Debian's hardening=+all reads "yes".  Stack-clash probes
# are there but unrolled, which hardening-check does not recognise ("unknown");
# Debian 12's C start files carry no control-flow marks, so the linker cannot
# mark the program either.
hardening() {
    local program name
    for program in /usr/games/quintar /usr/lib/quintar/quintar-x86-64-v3; do
        hardening-check --nocfprotection "$program" >"$tmp/hardening" || { cat "$tmp/hardening"; return 1; }
        for name in "Position Independent Executable" "Stack protected" "Fortify Source functions" \
            "Read-only relocations" "Immediate binding"; do
            grep -q "^ $name: yes" "$tmp/hardening" || { cat "$tmp/hardening"; return 1; }
        done
    done
}
polyglot_game() {  # xboard's view through polyglot: a move after "go"
    cat >"$tmp/quintar.ini" <<INI
[PolyGlot]
EngineDir = $tmp
EngineCommand = quintar
Book = false
Log = false
INI
    { printf 'xboard\nprotover 2\nnew\nsd 2\ngo\n'; sleep 3; printf 'quit\n'; } |
        PATH=$user_path timeout 20 polyglot "$tmp/quintar.ini" 2>/dev/null | grep -q '^move '
}
xboard_game() {  # "xboard -fcp quintar -fUCI": a whole game, engine against itself
    (cd "$tmp" && PATH=$user_path timeout 300 xvfb-run -a xboard -fcp quintar -fUCI \
        -scp quintar -sUCI -matchGames 1 -tc 0:10 -inc 0.1 -saveGameFile "$tmp/xboard.pgn" \
        -autoCallFlag true -popupExitMessage false >"$tmp/xboard.log" 2>&1) &&
        grep -Eq '^\[Result "(1-0|0-1|1/2-1/2)"\]' "$tmp/xboard.pgn" &&
        ! grep -qi 'illegal\|forfeit\|crash\|exited' "$tmp/xboard.pgn"
}
check install install_deb
for name in status_lines uci_on_user_path v3_started installed_manpage installed_readme installed_changelog \
    hardening; do
    check "$name" "$name"
done
if PATH=$user_path command -v polyglot >/dev/null 2>&1; then
    check polyglot_game polyglot_game
else
    say "SKIP polyglot_game (polyglot not installed)"
fi
if PATH=$user_path command -v xboard >/dev/null 2>&1 && command -v xvfb-run >/dev/null 2>&1; then
    check xboard_game xboard_game
else
    say "SKIP xboard_game (tools/install_deps.sh xboard xvfb)"
fi

remove_deb() { "$root/tools/install_deps.sh" --remove quintar; }
program_gone() {
    [ ! -e /usr/games/quintar ] && [ ! -e /usr/lib/quintar ] && [ ! -e /usr/share/man/man6/quintar.6.gz ] &&
        ! dpkg-query -W -f '${Status}\n' quintar 2>/dev/null | grep -q 'ok installed'
}
check remove remove_deb
check program_gone program_gone
finish
