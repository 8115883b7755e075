#!/usr/bin/env bash
# Builds the AmigaOS front end on its Linux stand-in layer
# (quintar-amiga-standin) with the AmigaOS tests, runs them, and shows the
# start-up requester as the stand-in records it.  Prints "N passed, M failed"
# and exits non-zero on failure.
#
#   AMIGA_BUILD  build tree (default: build-amiga)
#   JOBS         parallel build jobs (default: 2)
set -u

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${AMIGA_BUILD:-$ROOT/build-amiga}
JOBS=${JOBS:-2}

passed=0
failed=0

tests=()
for src in "$ROOT"/tests/amiga/*_test.cpp; do tests+=("amiga_$(basename "$src" .cpp)"); done

if ! { cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release >/dev/null &&
       cmake --build "$BUILD" -j"$JOBS" --target quintar-amiga-standin "${tests[@]}" >/dev/null; }; then
    echo "FAIL: build"
    echo "0 passed, 1 failed"
    exit 1
fi

for t in "${tests[@]}"; do
    if "$BUILD/$t" --gtest_brief=1; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL: $t"
    fi
done

echo "-- the start-up requester as the stand-in shows it:"
env -u QUIN_STANDIN_LOG -u QUIN_STANDIN_FAIL "$BUILD/quintar-amiga-standin" </dev/null
echo "-- exit status $?"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
