#!/usr/bin/env bash
# Whole-process timing of penwick's PNG export against rsvg-convert on the same generated scenes
# (1, 1,000 and 10,000 shapes on 1280 x 720): the scene file for penwick, the SVG for rsvg-convert.
# At one shape the fixed cost of a run (loading, start-up, PNG encoding) is what is compared.
#
#   bench/peer_render.sh            build, install the tools if missing, write scenes, time
#   RUNS=20 bench/peer_render.sh    more runs per command (default 10, after 2 warm-up runs)
#   BUILD=/path OUT=/path ...       build folder (default build-bench) and scene folder
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD:-$ROOT/build-bench}
OUT=${OUT:-$BUILD/peer}
RUNS=${RUNS:-10}
WARMUP=${WARMUP:-2}
SIZES=(1 1000 10000)

cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPENWICK_BENCH=ON >/dev/null
cmake --build "$BUILD" -j2 --target penwick bench_render >/dev/null

missing=()
command -v rsvg-convert >/dev/null || missing+=(librsvg2-bin)
command -v hyperfine >/dev/null || missing+=(hyperfine)
if ((${#missing[@]})); then
  echo "installing ${missing[*]}" >&2
  if ! { apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"; } >/dev/null; then
    echo "could not install ${missing[*]}" >&2
  fi
fi
command -v rsvg-convert >/dev/null || { echo "rsvg-convert is missing" >&2; exit 1; }

export QT_QPA_PLATFORM=offscreen
"$BUILD/bench/bench_render" --write-scenes "$OUT" "${SIZES[@]}" >/dev/null
cd "$OUT"

PENWICK="$BUILD/penwick"
pw_cmd() { echo "$PENWICK --export-png $OUT/out-penwick-$1.png --camera --canvas 1280x720 --settings $OUT/bench-settings.ini $OUT/scene-$1.txt"; }
svg_cmd() { echo "rsvg-convert -w 1280 -h 720 -o $OUT/out-rsvg-$1.png $OUT/scene-$1.svg"; }

# One line per command: median mean min max in milliseconds.
time_loop() {
  local cmd=$1 i t0 t1
  for ((i = 0; i < WARMUP; i++)); do $cmd >/dev/null; done
  for ((i = 0; i < RUNS; i++)); do
    t0=$(date +%s%N); $cmd >/dev/null; t1=$(date +%s%N)
    echo $(((t1 - t0) / 1000))
  done | python3 -c '
import statistics, sys
v = [int(x) / 1000 for x in sys.stdin]
print("%.1f %.1f %.1f %.1f" % (statistics.median(v), statistics.mean(v), min(v), max(v)))'
}

time_hyperfine() {
  local json
  json=$(mktemp)
  hyperfine -N --warmup "$WARMUP" --runs "$RUNS" --style none --export-json "$json" "$1" >/dev/null
  python3 -c '
import json, sys
r = json.load(open(sys.argv[1]))["results"][0]
print("%.1f %.1f %.1f %.1f" % (r["median"] * 1e3, r["mean"] * 1e3, r["min"] * 1e3, r["max"] * 1e3))' "$json"
  rm -f "$json"
}

timer=time_loop
command -v hyperfine >/dev/null && timer=time_hyperfine
echo "timing with ${timer#time_}, $WARMUP warm-up and $RUNS timed runs per command; load: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-8s %-14s %10s %10s %10s %10s\n' shapes program median_ms mean_ms min_ms max_ms
verdict=0
for n in "${SIZES[@]}"; do
  read -r pm pa pmin pmax < <($timer "$(pw_cmd "$n")")
  read -r sm sa smin smax < <($timer "$(svg_cmd "$n")")
  printf '%-8s %-14s %10s %10s %10s %10s\n' "$n" penwick "$pm" "$pa" "$pmin" "$pmax"
  printf '%-8s %-14s %10s %10s %10s %10s\n' "$n" rsvg-convert "$sm" "$sa" "$smin" "$smax"
  ratio=$(python3 -c "print('%.2f' % ($pm / $sm))")
  if python3 -c "import sys; sys.exit(0 if $pm < $sm else 1)"; then
    echo "         penwick / rsvg-convert (median) = $ratio: penwick faster"
  else
    echo "         penwick / rsvg-convert (median) = $ratio: penwick NOT faster"
    verdict=1
  fi
done
exit $verdict
