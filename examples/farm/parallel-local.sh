#!/bin/sh
# Renders the frames FIRST..LAST of SCENE in chunks with GNU parallel on this machine, then
# assembles them into OUT.webp. A chunk that fails or is stopped can simply be run again: with
# --skip-existing it draws only the frames that are not there yet.
#
# usage: parallel-local.sh [-j JOBS] [-c CHUNK] SCENE FIRST LAST OUT.webp [penwick options...]
#   -j JOBS    processes at once (default 4); each takes the cores it may use, so give each a
#              share with --threads when JOBS processes share the machine
#   -c CHUNK   frames a process draws (default 12)
#   penwick options (such as --settings FILE or --threads N) go to every penwick run.
# The frames go to OUT.frames/ (named frame_NNNNN.png), kept for a later run.
set -eu
jobs=4
chunk=12
while getopts j:c: opt; do
  case $opt in
    j) jobs=$OPTARG ;;
    c) chunk=$OPTARG ;;
    *) exit 1 ;;
  esac
done
shift $((OPTIND - 1))
[ $# -ge 4 ] || { echo "usage: $0 [-j JOBS] [-c CHUNK] SCENE FIRST LAST OUT.webp [penwick options...]" >&2; exit 1; }
scene=$1 first=$2 last=$3 out=$4
shift 4
frames=${out%.webp}.frames

# The chunks "A-B" of CHUNK frames from FIRST to LAST.
chunks() {
  f=$first
  while [ "$f" -le "$last" ]; do
    e=$((f + chunk - 1))
    [ "$e" -le "$last" ] || e=$last
    echo "$f-$e"
    f=$((e + 1))
  done
}

# -q quotes every argument (paths with spaces); --halt stops the others once one fails for good.
chunks | parallel -j "$jobs" --halt soon,fail=1 -q \
  penwick --export-frames "$frames" --frames {} --skip-existing --progress lines "$@" "$scene"
penwick --export-webp "$out" --from-frames "$frames" --from "$first" --to "$last" "$@" "$scene"
