#!/usr/bin/env bash
# Builds and runs every test: the Release unit and end-to-end tests (the
# search, clock, UCI and request tests again beside busy loops), the fast
# tests with assertions on under ASan+UBSan, the frontend and runtime tests
# under TSan, the fuzz targets for a fixed number of inputs, the Windows
# build under wine, the PowerPC and aarch64 builds under qemu, and the
# WebAssembly build under node with its page in chromium.  Prints each
# step's seconds and "N passed, M failed".
set -uo pipefail
cd "$(dirname "$0")"
JOBS=$(nproc)
# Paths relative to the clone, so that another clone of the tree on the same
# machine reuses ccache's objects.
export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1
# The test programs share precompiled headers; ccache may keep their objects.
export CCACHE_SLOPPINESS=pch_defines,time_macros
# Inputs per fuzz target; request files and UCI lines can start a search,
# so they get fewer, and the search target (a search and perft per input,
# with every Debug check on) fewer still.
FUZZ_RUNS=${FUZZ_RUNS:-200000}
FUZZ_RUNS_REQUEST=${FUZZ_RUNS_REQUEST:-60000}
FUZZ_RUNS_UCI=${FUZZ_RUNS_UCI:-40000}
FUZZ_RUNS_SEARCH=${FUZZ_RUNS_SEARCH:-2000}
# Long runs outside CI: FUZZ_SECONDS caps each target's time as well.
FUZZ_SECONDS=${FUZZ_SECONDS:-}
# Every package of every step, installed once before any step starts (the
# steps that run side by side would otherwise each install their own); from
# then on the steps only check for theirs, and fail naming what is missing.
echo "=== packages"
# (npm comes with the machines' own node; Debian's nodejs needs its npm.)
tools/install_deps.sh --set test --set windows --set powerpc --set aarch64 --set cluster --set plots \
  --set web $(command -v npm >/dev/null || echo npm) ||
  exit 1
echo "=== packages ($SECONDS s)"
export QUIN_DEPS_CHECK_ONLY=1

passed=0
failed=0
failures=()
step() {  # step NAME COMMAND...; prints the step's seconds after it
  local name=$1 start=$SECONDS
  shift
  echo "=== $name"
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    failures+=("$name")
    echo "--- FAILED: $name"
  fi
  echo "=== $name ($((SECONDS - start)) s)"
}

# step_aside NAME COMMAND...: a step that runs beside the following ones, its
# output kept until steps_aside_done prints it with its result, in order.
aside=()
step_aside() {
  local name=$1 log
  shift
  log=$(mktemp)
  (
    start=$SECONDS
    if "$@" >"$log" 2>&1; then echo ok >"$log.status"; else echo failed >"$log.status"; fi
    echo "$((SECONDS - start))" >"$log.seconds"
  ) &
  aside+=("$name|$log|$!")
}
steps_aside_done() {
  local entry name log pid
  for entry in "${aside[@]}"; do
    IFS='|' read -r name log pid <<<"$entry"
    wait "$pid"
    echo "=== $name"
    cat "$log"
    if [ "$(cat "$log.status")" = ok ]; then
      passed=$((passed + 1))
    else
      failed=$((failed + 1))
      failures+=("$name")
      echo "--- FAILED: $name"
    fi
    echo "=== $name ($(cat "$log.seconds") s, beside the others)"
    rm -f "$log" "$log.status" "$log.seconds"
  done
  aside=()
}

build() {  # build DIR [cmake options...]; a later -DCMAKE_BUILD_TYPE wins
  local dir=$1 generator=()
  shift
  # Ninja for new trees (it keeps both cores busy); a tree made earlier keeps
  # its own generator.
  [ -f "$dir/CMakeCache.txt" ] || generator=(-G Ninja)
  cmake "${generator[@]}" -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DQUIN_WERROR=ON "$@" >/dev/null &&
    cmake --build "$dir" -j"$JOBS" ${BUILD_TARGETS:+--target $BUILD_TARGETS} >"$dir.log" 2>&1 ||
    { cat "$dir.log"; return 1; }
}
# test_programs [AREA...]: the test programs of the fast tests (of the
# areas named).
test_programs() {
  local src area
  for src in tests/*/*_test.cpp; do
    area=$(basename "$(dirname "$src")")
    case $src in *_slow_test.cpp) continue ;; esac
    [ $# -eq 0 ] || [[ " $* " == *" $area "* ]] || continue
    printf '%s_%s ' "$area" "$(basename "$src" .cpp)"
  done
}

step "release build" build build-test
step "release tests" ctest --test-dir build-test -j"$JOBS" --output-on-failure

# The Windows, PowerPC, aarch64 and WebAssembly checks compare with the
# Release build.
# Under qemu only the in-process tests of the AmigaOS front end and the
# evaluation corpus run (perft, --eval and the search suite are compared);
# tools/test_ppc.sh alone runs them all.
export QUIN_LINUX_BUILD=$PWD/build-test HOST_BUILD=$PWD/build-test QUIN_REFERENCE_READY=1
# They run beside the steps that follow: each is mostly one emulated
# program at a time.
[ -x tools/test_windows.sh ] && step_aside "windows build under wine" tools/test_windows.sh
[ -x tools/test_ppc.sh ] && step_aside "powerpc build under qemu" env CROSS_TESTS='^(amiga_|eval_eval_corpus)' \
  tools/test_ppc.sh
[ -x tools/test_aarch64.sh ] && step_aside "aarch64 build under qemu" tools/test_aarch64.sh
# The shipped profile-guided build (tools/build_profiled.sh) gives the same
# bytes as the plain one.
step_aside "profiled build" tools/test_profiled.sh
[ -x tools/test_web.sh ] && step_aside "web build under node and chromium" tools/test_web.sh

# The search, clock, UCI and request tests again beside two busy loops: no
# test may need an idle machine (tools/stress_tests.sh runs it longer).
step "stress tests" tools/stress_tests.sh -n 2 -k 2 -b build-test

# The Python tools' checks, one after the other, beside the builds that
# follow (they mostly wait on engines and clocks, and hold on a busy
# machine); their steps print inside this one.
tool_checks() {
  passed=0 failed=0 failures=()
  # The one install script, against stand-ins for apt-get and dpkg-query.
  step "install script tests" timeout 60 tools/test_install_deps.sh
  # The match runner (tools/match.py): its own checks, then two short games
  # against a weak stockfish; fails on any illegal move, crash, hang or time
  # forfeit of the engine.  A busy machine can keep a move's answer from the
  # runner for a tenth of a second, more than the increment: a move may
  # overrun the clock by a second before it is a forfeit.
  step "match runner tests" timeout 120 python3 tools/test_match.py
  step "match runner" timeout 120 python3 tools/match.py --engine build-test/quintar \
    --games 2 --tc 2+0.05 --time-margin 1 --opponent stockfish:1350 --concurrency 2 \
    --pgn build-test/match.pgn
  # The same runner on a Dask scheduler and two workers on 127.0.0.1, one of
  # them killed mid-game; then the checks of the test-suite runner (SAN) and
  # of the strength plots.  Debian's python3 carries python3-distributed and
  # python3-matplotlib.
  step "match runner on a cluster" sh -c 'tools/install_deps.sh --set cluster &&
    timeout 240 /usr/bin/python3 tools/test_match_cluster.py'
  step "test-suite runner tests" timeout 240 python3 tools/test_epd_suite.py
  step "strength plot tests" sh -c 'tools/install_deps.sh --set plots &&
    timeout 60 /usr/bin/python3 tools/test_plot_strength.py'

  # The request-file soak (tools/request_soak.py): its own checks, then 40
  # requests, a fifth of them cancelled; fails on a partial or lost response,
  # a left-over file, an illegal move or an answer that differs from the same
  # request searched without a time limit.
  step "request soak tests" env QUINTAR_ENGINE=build-test/quintar timeout 120 \
    python3 tools/test_request_soak.py
  step "request soak" timeout 120 python3 tools/request_soak.py --engine build-test/quintar \
    --requests 40 $( [ -f build-test/match.pgn ] && echo --pgn build-test/match.pgn )
  echo "tool checks: $passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
step_aside "match, test-suite and soak tools" tool_checks

# The plain versions of the vector code and bit scans (-DQUIN_PORTABLE=ON),
# which x86-64 builds otherwise never compile: the bench signature, perft
# counts, the geometry and the evaluation corpus.
portable_build() {
  BUILD_TARGETS="board_board_view_test board_geometry_test board_rules_test eval_eval_corpus_test
    search_bench_signature_slow_test quintar" build build-portable -DQUIN_PORTABLE=ON
}
step "portable build" portable_build
step "portable tests" ctest --test-dir build-portable -j"$JOBS" \
  -R 'Signature|Perft|EvalCorpus|Geometry|MoveEffects' --output-on-failure

# ASan+UBSan with assertions on (every double that becomes a table index is
# checked), over the fast tests; TSan over the frontend's and the runtime
# layer's, where the search thread runs beside the reader and the stop flag
# crosses between them.  Each builds only the programs it runs.
asan_build() {
  BUILD_TARGETS="$(test_programs) quintar" build build-asan -DQUIN_ASAN=ON -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g"
}
step "asan+ubsan build, assertions on" asan_build
# (the slow tests' programs are not built there: their placeholders are left out)
step "asan+ubsan tests" ctest --test-dir build-asan -j"$JOBS" -LE slow -E _NOT_BUILT --output-on-failure

tsan_build() {
  BUILD_TARGETS="$(test_programs frontend runtime)" build build-tsan -DQUIN_TSAN=ON \
    -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g"
}
step "tsan build" tsan_build
step "tsan tests" ctest --test-dir build-tsan -j"$JOBS" -L '^(frontend|runtime)$' -LE slow --output-on-failure

# One fuzz target: its inputs, or FUZZ_SECONDS, whichever ends first.
fuzz_target() {
  local f=$1 name corpus runs=$FUZZ_RUNS
  name=$(basename "$f" _fuzz)
  corpus=fuzz/corpus/$name
  mkdir -p "build-fuzz/corpus-$name"
  [ "$name" = request ] && runs=$FUZZ_RUNS_REQUEST
  [ "$name" = uci_line ] && runs=$FUZZ_RUNS_UCI
  [ "$name" = search ] && runs=$FUZZ_RUNS_SEARCH
  echo "fuzzing $name with $runs inputs${FUZZ_SECONDS:+ or $FUZZ_SECONDS s}"
  "$f" -runs="$runs" ${FUZZ_SECONDS:+-max_total_time=$FUZZ_SECONDS} -max_len=4096 -seed=1 \
    "build-fuzz/corpus-$name" \
    $( [ -d "$corpus" ] && echo "$corpus" ) >"build-fuzz/$name.log" 2>&1 ||
    { tail -40 "build-fuzz/$name.log"; return 1; }
}
fuzz() {
  CC=clang CXX=clang++ build build-fuzz -DQUIN_FUZZ=ON -DQUIN_TESTS=OFF -DQUIN_WERROR=OFF || return 1
  local status=0 f pid pids=() width=$JOBS
  # Capped by time, all at once; by inputs, one per core.  Each target is
  # waited for by its own process number: the steps running aside are this
  # shell's children too.
  [ -n "$FUZZ_SECONDS" ] && width=99
  for f in build-fuzz/*_fuzz; do
    fuzz_target "$f" &
    pids+=($!)
    if [ "${#pids[@]}" -ge "$width" ]; then
      for pid in "${pids[@]}"; do wait "$pid" || status=1; done
      pids=()
    fi
  done
  for pid in "${pids[@]}"; do wait "$pid" || status=1; done
  return $status
}
step "fuzz targets" fuzz

steps_aside_done

echo
[ ${#failures[@]} -gt 0 ] && printf 'failed step: %s\n' "${failures[@]}"
echo "all steps: $SECONDS s"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
