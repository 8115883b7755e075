#!/usr/bin/env bash
# End-to-end tests of the Windows program (build-win/quintar-win.exe) under a
# fresh quiet wine prefix: its answers through pipes and files against the
# Linux build's (build-windows-linux/).  Ends with "N passed, M failed".
# Environment: QUIN_WIN_BUILD, QUIN_LINUX_BUILD (build directories), QUIN_JOBS
# (default 2), QUIN_ONLY=REGEX (a subset), QUIN_KEEP=1 (keep the scratch).
set -u
. "$(dirname "$0")/test_common.sh"
win_build=${QUIN_WIN_BUILD:-$root/build-win}
linux_build=${QUIN_LINUX_BUILD:-$root/build-windows-linux}
exe=$win_build/quintar-win.exe
v3_exe=$win_build/quintar-win-x86-64-v3.exe
reference=$linux_build/quintar

install_packages --set windows
# The first of the candidates that runs.
wine=$(command -v wine64 /usr/lib/wine/wine64 wine | head -1)
wineserver=$(command -v wineserver /usr/lib/wine/wineserver64 /usr/lib/wine/wineserver | head -1)
objdump=$(command -v x86_64-w64-mingw32-objdump)
[ -n "$wine" ] && [ -n "$wineserver" ] || die "wine64 not found"

QUIN_WIN_BUILD=$win_build QUIN_JOBS=$jobs "$root/tools/build_windows.sh" >/dev/null ||
    die "Windows build failed"
reference_build "$linux_build" quintar || die "Linux build failed"
[ -f "$exe" ] || die "missing $exe"

scratch=$(mktemp -d /tmp/quintar-wine.XXXXXX)
export WINEPREFIX=$scratch/prefix WINEARCH=win64 WINEDEBUG=-all
# No Mono or Gecko installers, no menu entries, no desktop integration.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
unset DISPLAY WAYLAND_DISPLAY

cleanup() {
    "$wineserver" -k >/dev/null 2>&1
    if [ "${QUIN_KEEP:-0}" = 1 ]; then say "scratch kept in $scratch"; else rm -rf "$scratch"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

t_prefix=$(date +%s%N)
# A persistent server, started with our descriptors on /dev/null, and the
# prefix boot: the services wine starts then never hold a test's pipes open.
# The server refuses a prefix folder that does not exist yet; wine would then
# start one of its own that shuts the session down whenever no program runs,
# and a program started at that moment loses its connection.
mkdir -p "$WINEPREFIX" && "$wineserver" -p </dev/null >/dev/null 2>&1 ||
    die "the persistent wineserver did not start"
timeout 180 "$wine" wineboot -i </dev/null >/dev/null 2>&1 || die "wineboot failed"
# Call tracing (WINEDEBUG=+relay) only of the calls the start-up tests watch.
timeout 60 "$wine" reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /t REG_SZ \
    /d 'user32.MessageBoxA;msvcrt.setvbuf' /f </dev/null >/dev/null 2>&1 || die "wine reg failed"
say "wine prefix ready in $(( ($(date +%s%N) - t_prefix) / 1000000 )) ms"

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

win() { timeout 60 "$wine" "$exe" "$@"; }
lin() { timeout 60 "$reference" "$@"; }
# converse SCRIPT PROGRAM...: a UCI conversation over pipes, every reply line
# printed (without "\r").  Script lines: "> TEXT" sends TEXT, "? REGEX" waits
# (at most 30 s) for a reply matching REGEX, "sleep S" pauses, "mark NAME"
# prints "@NAME <ms since the last mark>".
converse() {
    local script=$1 line re reply mark_t
    shift
    coproc ENGINE { "$@" 2>/dev/null; }
    local in=${ENGINE[1]} out=${ENGINE[0]} pid=$ENGINE_PID
    mark_t=$(now_ms)
    while IFS= read -r line; do
        case $line in
        "> "*) printf '%s\n' "${line#> }" >&"$in" ;;
        "? "*)
            re=${line#? }
            while :; do
                if ! IFS= read -r -t 30 -u "$out" reply; then
                    say "@timeout waiting for /$re/"
                    break
                fi
                reply=${reply%$'\r'}
                say "$reply"
                [[ $reply =~ $re ]] && break
            done
            ;;
        "sleep "*) sleep "${line#sleep }" ;;
        "mark "*)
            say "@${line#mark } $(($(now_ms) - mark_t))"
            mark_t=$(now_ms)
            ;;
        esac
    done <"$script"
    exec {in}>&-
    while IFS= read -r -t 30 -u "$out" reply; do say "${reply%$'\r'}"; done
    wait "$pid" 2>/dev/null
}

test_pe_format() {  # both programs, the x86-64-v3 one also free of AVX
    [ -n "$objdump" ] || { say "  no objdump: skipped"; return 0; }
    local p program
    for program in "$exe" "$v3_exe"; do
        [ -f "$program" ] || { say "  missing $program"; return 1; }
        p=$("$objdump" -p "$program")
        # A GUI-subsystem program that a bare Windows can start: no MinGW
        # run-time DLLs beside it.
        grep -q 'Subsystem.*(Windows GUI)' <<<"$p" || { say "  $program: not a GUI-subsystem program"; return 1; }
        ! grep 'DLL Name' <<<"$p" | awk '{print "  " tolower($3)}' |
            grep -vxE '  ((kernel32|msvcrt|user32|advapi32|ucrtbase)\.dll|api-ms-win-.*)' ||
            { say "  $program depends on the DLLs above"; return 1; }
    done
    # No 32-byte vector may meet the Windows stack (see cmake/cpu_build.cmake).
    ! "$objdump" -d "$v3_exe" | grep -q ymm || { say "  ymm registers in $v3_exe"; return 1; }
}

# The transcript without the speed-dependent fields; after "@vary" a stopped
# search's result lines keep only their shape.  Of the depth lines only the
# one before "bestmove" is kept: how many an infinite search prints before a
# stop is a matter of speed (the Windows build's are checked below).
normalise() {
    mask <"$1" | awk '
        /^@vary/ { vary = 1; next }
        /^@/ { next }
        /^info depth / { held = $0; next }
        vary && /^bestmove [a-h][1-8][a-h][1-8][qrbn]?$/ {
            if (held ~ /^info depth [0-9]+ score (cp|mate) -?[0-9]+ nodes [0-9]+ pv [a-h][1-8][a-h][1-8][qrbn]?$/)
                print "info (stopped search)"
            else if (held != "")
                print held
            held = ""
            print "bestmove (stopped search)"; vary = 0; next
        }
        /^bestmove / { if (held != "") print held; held = "" }
        { print }'
}

test_uci_conversation() {
    cat >"$scratch/conv.txt" <<'EOF'
> uci
? ^uciok
> isready
? ^readyok
> position startpos moves e2e4
> go depth 3
? ^bestmove
> go infinite
sleep 0.5
mark vary
> stop
? ^bestmove
> position fen 8/8/8/8/8/8/8/8 w - - 0 1
> position startpos moves e2e5
> position startpos 
> stop
> isready
? ^readyok
> position startpos
mark vary
> go movetime 500
? ^bestmove
mark movetime
> go infinite
sleep 1
> isready
? ^readyok
mark vary
> stop
? ^bestmove
mark stop
> position startpos moves f2f3 e7e5 g2g4
> go infinite
sleep 0.5
> isready
? ^readyok
> stop
? ^bestmove
> quit
EOF
    converse "$scratch/conv.txt" win >"$scratch/conv.win"
    converse "$scratch/conv.txt" lin >"$scratch/conv.lin"
    grep -q '^@timeout' "$scratch/conv.win" && { say "  no reply under wine"; return 1; }
    same "UCI conversation" "$(normalise "$scratch/conv.lin")" "$(normalise "$scratch/conv.win")" &&
        # Black mates at once (Qh4), but the infinite search holds it until "stop".
        [ "$(grep -v '^info' "$scratch/conv.win" | tail -2 | tr '\n' ' ')" = "readyok bestmove d8h4 " ] &&
        # An infinite search prints a line for each depth it finishes.
        grep -q '^info depth 1 score ' "$scratch/conv.win"
}

# From the conversation's marks: "go movetime 500" answers after about half a
# second; "stop" during "go infinite" answers at once, and only then.
test_clock_and_stop() {
    local movetime stop
    movetime=$(awk '/^@movetime/ {print $2}' "$scratch/conv.win")
    stop=$(awk '/^@stop/ {print $2}' "$scratch/conv.win")
    say "  go movetime 500 answered after ${movetime:-?} ms, stop after ${stop:-?} ms"
    # The clock must not run fast (no answer before 480 ms); how late the
    # answers come depends on the machine's load, so the upper limits only
    # catch a search that ignores its time or the stop.
    [ -n "$movetime" ] && [ "$movetime" -ge 480 ] && [ "$movetime" -le 10000 ] &&
        [ -n "$stop" ] && [ "$stop" -le 5000 ]
}

# answer_in_folder SETUP NAME SIDE REQUEST: SIDE answers the request by
# relative path in a fresh folder prepared by SETUP NAME; prints the status,
# standard error and every name left: links and folders as such, files'
# bytes without line 7 (the search time), so that no "\r" creeps in unseen.
answer_in_folder() {
    local f
    mkdir -p "$scratch/$2-$3"
    (
        cd "$scratch/$2-$3" && $1 "$2"
        $3 --request "$4" </dev/null >/dev/null 2>../err
        echo "status $?"
        tr -d '\r' <../err
        [ -e missing ] && echo "== missing (created through a link)"
        for f in $(ls); do
            if [ -L "$f" ]; then echo "== $f (link)"
            elif [ -d "$f" ]; then echo "== $f (folder)"
            else echo "== $f" && sed 7d "$f" | cat -A; fi
        done
    )
}

# compare_answers SETUP REQUEST NAME...: each case answered alike by both
# builds; where the Linux build answers otherwise on purpose, the function
# expected_NAME prints the answer the Windows build must give.
compare_answers() {
    local setup=$1 req=$2 name ok=0
    shift 2
    for name in "$@"; do
        answer_in_folder "$setup" "$name" win "$req" >"$scratch/$name-win.txt"
        if declare -F "expected_${name//-/_}" >/dev/null; then "expected_${name//-/_}"
        else answer_in_folder "$setup" "$name" lin "$req"; fi >"$scratch/$name-lin.txt"
        same "$name" "$(cat "$scratch/$name-lin.txt")" "$(cat "$scratch/$name-win.txt")" || ok=1
    done
    return $ok
}

prepare_request() {
    local head='QUINTAR_C_REQUEST_1\r\ntok-42 win\r\n5000 4 1024 1 1 0 1\r\n'
    case $1 in
    reply) printf "$head"'position startpos moves e2e4 e7e5 g1f3\r\ne7e5 3 1\r\n' >game.req ;;
    existing)  # Cannot publish response file; the old one is left as it was
        printf "$head"'position startpos\r\n' >game.req
        printf 'earlier answer\n' >game.req.response ;;
    cancel)  # a deep search the cancel file ends at once, leaving nothing
        printf 'QUINTAR_C_REQUEST_1\ncancel-me\n300000 8 1024 1 1 0 1\nposition startpos\n' >game.req
        : >game.req.cancel ;;
    esac
}

# Linux replaces an existing response; Windows must refuse to.
expected_existing() {
    cat <<'EOF2'
status 2
Quintar request error: Cannot publish response file
== game.req
QUINTAR_C_REQUEST_1^M$
tok-42 win^M$
5000 4 1024 1 1 0 1^M$
position startpos^M$
== game.req.error.txt
Cannot publish response file$
== game.req.response
earlier answer$
EOF2
}

# Names planted at the temporary response and the error file before the
# request is answered, next to a file "victim" that must keep its bytes.  The
# stale temporary file, the folders and the hard links must end as in the
# Linux build.  Wine shows a Unix symbolic link to a file as that file itself
# (and DeleteFile of it deletes the file it points to, where Windows deletes
# the link), so links to files are left to the Linux tests; a dangling link
# wine cannot delete, and the exclusive create must refuse it.
plant() {
    local bad='QUINTAR_C_REQUEST_1\ntok\nbad line\n'
    printf 'QUINTAR_C_REQUEST_1\ntok\n200 1 0 1 1 0 1\nposition startpos\n' >req
    printf 'precious data\n' >victim
    case $1 in
    stale) printf 'half an ans' >req.response.tmp ;;
    folder-tmp) mkdir req.response.tmp ;;
    folder-err) printf "$bad" >req && mkdir req.error.txt ;;
    hard-tmp) ln victim req.response.tmp ;;
    hard-err) printf "$bad" >req && ln victim req.error.txt ;;
    dangling-tmp) ln -s "$PWD/missing" req.response.tmp ;;
    dangling-err) printf "$bad" >req && ln -s "$PWD/missing" req.error.txt ;;
    esac
}

dangling_refused() {  # the Windows program's answer with a dangling link
    local message=$1 left=$2
    echo "status 2"
    echo "Quintar request error: $message"
    echo "== req"
    [ "$left" = req.error.txt ] && printf 'QUINTAR_C_REQUEST_1$\ntok$\nbad line$\n' ||
        printf 'QUINTAR_C_REQUEST_1$\ntok$\n200 1 0 1 1 0 1$\nposition startpos$\n'
    [ "$left" = req.response.tmp ] && printf '== req.error.txt\nCannot create response file$\n'
    if [ "$left" = req.error.txt ]; then
        echo "== req.error.txt (link)"
        printf '== req.response\ntok$\nERROR$\nInvalid search parameters$\n'
    fi
    [ "$left" = req.response.tmp ] && echo "== req.response.tmp (link)"
    printf '== victim\nprecious data$\n'
}
expected_dangling_tmp() { dangling_refused "Cannot create response file" req.response.tmp; }
expected_dangling_err() { dangling_refused "Invalid search parameters" req.error.txt; }

# Started like a double click (no standard handles): the message box, with
# its exact text, caption and style, and nothing of the engine before it.
test_notice_without_output() {
    local log=$scratch/notice.log rc call
    WINEDEBUG=-all,+relay timeout 60 "$wine" start /wait /unix "$exe" </dev/null >/dev/null 2>"$log"
    rc=$?
    call=$(grep -a 'Call user32.MessageBoxA(' "$log" | head -1)
    [ "$rc" = 0 ] &&
        [[ $call == *'MessageBoxA(00000000,'*' "OK, bin da.\n\nQuintar C-Engine wurde gestartet.\nKeine Schachberechnung ausgefuehrt.",'*' "Quintar C-Engine",00000040)'* ]] ||
        { say "  status $rc, ${call:-no message box}"; return 1; }
    # Line buffering is the first step of the start-up proper.
    ! grep -a -q 'Call msvcrt.setvbuf(' "$log" || { say "  the engine started up"; return 1; }
}

test_notice_only_by_hand() {
    # With an argument, or with somewhere to write to, no box.
    local log=$scratch/nobox.log
    printf 'quit\n' | WINEDEBUG=-all,+relay timeout 60 "$wine" "$exe" >/dev/null 2>"$log"
    ! grep -a -q 'Call user32.MessageBoxA(' "$log" || { say "  box with a pipe"; return 1; }
    WINEDEBUG=-all,+relay timeout 60 "$wine" "$exe" --perft 1 >"$scratch/nobox.out" 2>"$log"
    ! grep -a -q 'Call user32.MessageBoxA(' "$log" || { say "  box with an argument"; return 1; }
    # The trace does see the start-up proper (so its absence above means something).
    grep -a -q 'Call msvcrt.setvbuf(' "$log" || { say "  start-up not traced"; return 1; }
    # The runtime accepts the output setting (it refuses line buffering).
    grep -a -q 'Ret  msvcrt.setvbuf() retval=00000000' "$log" ||
        { say "  setvbuf failed: $(grep -a 'Ret  msvcrt.setvbuf' "$log" | head -1)"; return 1; }
}

# Which program runs is read from the executables wine has mapped into the
# session's processes.
mapped_programs() {
    local p
    for p in /proc/[0-9]*; do
        grep -o 'quintar-win[^/\\ ]*\.exe' "$p/maps" 2>/dev/null | sort -u
    done | sort | tr '\n' ' '
}
# session_programs PROGRAM: the programs mapped while PROGRAM holds a UCI
# session open on a pipe, then the session's answer to "isready".
session_programs() {
    local programs reply
    coproc SESSION { timeout 60 "$wine" "$1" 2>/dev/null; }
    local in=${SESSION[1]} out=${SESSION[0]} pid=$SESSION_PID
    printf 'isready\n' >&"$in"
    IFS= read -r -t 30 -u "$out" reply
    programs=$(mapped_programs)
    printf 'quit\n' >&"$in"
    exec {in}>&-
    wait "$pid" 2>/dev/null
    echo "${programs}| ${reply%$'\r'}"
}

test_cpu_build_started() {  # by default, with QUINTAR_PLAIN=1, alone in a folder
    local expected="quintar-win.exe | readyok" plain="quintar-win.exe | readyok"
    has_v3 && expected="quintar-win-x86-64-v3.exe quintar-win.exe | readyok"
    mkdir -p "$scratch/alone" && cp "$exe" "$scratch/alone/"
    same "programs of a session" "$expected" "$(session_programs "$exe")" &&
        same "programs with QUINTAR_PLAIN=1" "$plain" "$(QUINTAR_PLAIN=1 session_programs "$exe")" &&
        same "programs without the x86-64-v3 program" "$plain" "$(session_programs "$scratch/alone/quintar-win.exe")"
}

within() {  # within TENTHS COMMAND...: COMMAND succeeds within TENTHS tenths of a second
    local tenths=$1
    shift
    for _ in $(seq 1 "$tenths"); do "$@" && return 0; sleep 0.1; done
    return 1
}
v3_mapped() { [[ $(mapped_programs) == *quintar-win-x86-64-v3.exe* ]]; }
none_mapped() { [ -z "$(mapped_programs)" ]; }

# Ending quintar-win.exe (as a host kills the engine it started) ends the
# program it started.
test_started_program_ends_with_it() {
    has_v3 || { say "  processor without x86-64-v3: skipped"; return 0; }
    local p pid= hold bg status=1
    # A UCI session whose input stays open until the test closes it.
    mkfifo "$scratch/hold"
    timeout 60 "$wine" "$exe" <"$scratch/hold" >/dev/null 2>&1 &
    bg=$!
    exec {hold}>"$scratch/hold"
    within 100 v3_mapped
    for p in /proc/[0-9]*; do
        grep -q 'quintar-win\.exe' "$p/maps" 2>/dev/null && ! grep -q 'x86-64-v3' "$p/maps" && pid=${p#/proc/}
    done
    if [ -z "$pid" ]; then
        say "  no plain program running"
    elif kill -KILL "$pid" && within 50 none_mapped; then
        status=0
    else
        say "  still running: $(mapped_programs)"
    fi
    exec {hold}>&-
    wait "$bg" 2>/dev/null
    return $status
}

t_tests=$(now_ms)
check "GUI programs without MinGW DLLs, the x86-64-v3 one without AVX" test_pe_format
compare_modes win
check "UCI conversation, error replies and a held infinite result equal the Linux build" test_uci_conversation
check "go movetime 500 takes at least 480 ms; stop is answered" test_clock_and_stop
check "request answer, existing response and cancel file equal the Linux build" \
    compare_answers prepare_request game.req reply existing cancel
check "planted at the temporary response and error file: stale file, folders, hard and dangling links" \
    compare_answers plant req stale folder-tmp folder-err hard-tmp hard-err dangling-tmp dangling-err
check "message box without output" test_notice_without_output
check "no message box with output or arguments" test_notice_only_by_hand
check "quintar-win-x86-64-v3.exe (no AVX) runs in its place on such a processor, else the plain one" \
    test_cpu_build_started
# The plain program by itself, as above the one that runs by default.
plain_win() { QUINTAR_PLAIN=1 win "$@"; }
compare_modes plain_win
check "ending quintar-win.exe ends the program it started" test_started_program_ends_with_it
say "tests took $(($(now_ms) - t_tests)) ms"
finish
