#!/usr/bin/env bash
# Shows the real start-up message box of the Windows program under wine on a
# virtual X display and saves a screenshot of it as a PNG.  The program is
# started as by a double click (wine "start /unix"), so it has no standard
# handles.  Afterwards the box is confirmed with Return and the program's
# exit status is reported.  Not part of CI.
#   tools/windows_messagebox_screenshot.sh [OUT.png] [PROGRAM.exe]
set -u

root=$(cd "$(dirname "$0")/.." && pwd)
png=${1:-$root/build-win/messagebox.png}
exe=${2:-$root/build-win/quintar-win.exe}

die() { echo "windows_messagebox_screenshot: $*" >&2; exit 2; }

"$root/tools/install_deps.sh" --set screenshot || die "packages missing"
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver64)

if [ ! -f "$exe" ]; then
    "$root/tools/build_windows.sh" >/dev/null || die "build failed"
fi
[ -f "$exe" ] || die "missing $exe"

scratch=$(mktemp -d /tmp/quintar-box.XXXXXX)
export WINEPREFIX=$scratch/prefix WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="

# A free display number.
disp=99
while [ -e /tmp/.X11-unix/X$disp ] || [ -e /tmp/.X$disp-lock ]; do disp=$((disp + 1)); done
Xvfb :$disp -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=:$disp

cleanup() {
    "$wineserver" -k >/dev/null 2>&1
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
    rm -rf "$scratch"
}
trap cleanup EXIT

for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
# The server refuses a prefix folder that does not exist yet.
mkdir -p "$WINEPREFIX" && "$wineserver" -p </dev/null >/dev/null 2>&1 ||
    die "the persistent wineserver did not start"
timeout 180 "$wine" wineboot -i </dev/null >/dev/null 2>&1 || die "wineboot failed"

"$wine" start /wait /unix "$exe" </dev/null >/dev/null 2>&1 &
prog_pid=$!

win_id=
for _ in $(seq 150); do
    win_id=$(xdotool search --name '^Quintar C-Engine$' 2>/dev/null | head -1)
    [ -n "$win_id" ] && break
    sleep 0.1
done
[ -n "$win_id" ] || { kill "$prog_pid" 2>/dev/null; die "no window titled \"Quintar C-Engine\" appeared"; }
sleep 1  # let the box finish drawing

mkdir -p "$(dirname "$png")"
xwd -root -silent | xwdtopnm 2>/dev/null | pnmtopng >"$png" || die "screenshot failed"
echo "screenshot: $png"
echo "window: $(xwininfo -id "$win_id" | awk -F': ' '/Width|Height/ {printf "%s %s ", $1, $2}' | tr -s ' ')"

# Confirm the box (there is no window manager to activate it): the program
# must then end with status 0.
xdotool key --window "$win_id" Return 2>/dev/null
status=timeout
for _ in $(seq 100); do
    if ! kill -0 "$prog_pid" 2>/dev/null; then
        wait "$prog_pid"
        status=$?
        break
    fi
    sleep 0.1
done
echo "exit status after OK: $status"
[ "$status" = 0 ]
