#!/usr/bin/env bash
# Runs the search, clock, UCI and request test programs again and again
# beside busy processes, to show that no test needs an idle machine.
#
#   tools/stress_tests.sh [-n RUNS] [-k BUSY] [-b BUILD_DIR] [-t TEST_PROGRAM]...
#
# RUNS rounds (default 50, or STRESS_RUNS), each running every test program
# once in a scratch folder, while BUSY endless loops (default 3, or
# STRESS_BUSY) compete for the cores.  The programs are built in BUILD_DIR
# (default build, or STRESS_BUILD) when missing.  Prints the output of every
# failed run and "P passed, F failed", counting test-program runs.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 2

runs=${STRESS_RUNS:-50}
busy=${STRESS_BUSY:-3}
build=${STRESS_BUILD:-build}
programs=()
while getopts "n:k:b:t:h" opt; do
  case $opt in
    n) runs=$OPTARG ;;
    k) busy=$OPTARG ;;
    b) build=$OPTARG ;;
    t) programs+=("$OPTARG") ;;
    *) sed -n '2,11p' "$0" | sed 's/^# \{0,1\}//'; exit 2 ;;
  esac
done
[[ $runs =~ ^[0-9]+$ && $busy =~ ^[0-9]+$ ]] || { echo "RUNS and BUSY are counts" >&2; exit 2; }
[ ${#programs[@]} -gt 0 ] || programs=(search_search_driver_test runtime_search_clock_test
  frontend_uci_session_test frontend_request_protocol_test)

missing=()
for p in "${programs[@]}"; do [ -x "$build/$p" ] || missing+=("$p"); done
if [ ${#missing[@]} -gt 0 ]; then
  if ! { [ -f "$build/CMakeCache.txt" ] ||
      cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null; } ||
    ! cmake --build "$build" -j"$(nproc)" --target quintar "${missing[@]}" >/dev/null; then
    echo "cannot build ${missing[*]} in $build" >&2
    exit 2
  fi
fi

loops=()
stop_loops() {
  for pid in "${loops[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${loops[@]}"; do wait "$pid" 2>/dev/null; done
  loops=()
}
trap stop_loops EXIT
trap 'exit 130' INT TERM
for ((i = 0; i < busy; i++)); do
  (while :; do :; done) &
  loops+=($!)
done

# The programs run in a scratch folder: polyglot, behind one UCI test, opens
# polyglot.log where it starts.
build=$(cd "$build" && pwd)
work=$(mktemp -d)
cd "$work" || exit 2
log=$work/log
passed=0
failed=0
start=$SECONDS
echo "stress: $runs rounds of ${#programs[@]} test programs beside $busy busy loops"
for ((round = 1; round <= runs; round++)); do
  for p in "${programs[@]}"; do
    if "$build/$p" --gtest_brief=1 >"$log" 2>&1; then
      passed=$((passed + 1))
    else
      failed=$((failed + 1))
      echo "--- round $round: $p failed"
      grep -v '^Running main()' "$log" | head -60
    fi
  done
  ((round % 10 == 0 && round < runs)) &&
    echo "stress: round $round, $passed passed, $failed failed, $((SECONDS - start)) s"
done
cd / && rm -rf "$work"
stop_loops
echo "stress: $((SECONDS - start)) s"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
