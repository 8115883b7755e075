#!/usr/bin/env bash
# The strength ladder: 200 games at 10 s + 0.1 s against each opponent, one
# opponent after the other, with the engine copied first so that a rebuild
# during the run changes nothing (tools/plot_strength.py draws the
# ladder picture from its summaries).  Logs the load
# average once a minute beside the summaries.
#   tools/ladder.sh ENGINE OUTDIR [OPPONENT...]
# (tools/install_deps.sh --set ladder installs the opponents.)
#   GAMES (default 200), FIRST_GAME (1: a later number continues a ladder,
#   tools/combine_matches.py adds the parts), TC (10+0.1), CONCURRENCY (2), OPENINGS
#   (tools/openings-100.txt: every line once with each colour)
set -u
here=$(cd "$(dirname "$0")" && pwd)
engine=$1 out=$2
shift 2
opponents=("$@")
[ ${#opponents[@]} -gt 0 ] || opponents=(fairymax stockfish:1500 stockfish:1750 phalanx stockfish:2000)
mkdir -p "$out"
cp "$engine" "$out/quintar"
# The build for newer processors that quintar starts in its place, if any.
[ -x "$(dirname "$engine")/quintar-x86-64-v3" ] && cp "$(dirname "$engine")/quintar-x86-64-v3" "$out/"
(while sleep 60; do echo "$(date -u +%FT%TZ) $(cut -d' ' -f1-3 /proc/loadavg)"; done) >>"$out/load.log" &
loadlog=$!
trap 'kill $loadlog' EXIT
status=0
for opponent in "${opponents[@]}"; do
    name=${opponent/:/}
    echo "$(date -u +%FT%TZ) start $opponent" >>"$out/load.log"
    python3 "$here/match.py" --engine "$out/quintar" --opponent "$opponent" \
        --games "${GAMES:-200}" --first-game "${FIRST_GAME:-1}" --tc "${TC:-10+0.1}" \
        --concurrency "${CONCURRENCY:-2}" \
        --openings "${OPENINGS:-$here/openings-100.txt}" --pgn "$out/$name.pgn" >"$out/$name.out" ||
        status=1
    tail -5 "$out/$name.out"
done
exit $status
