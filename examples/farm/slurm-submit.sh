#!/bin/sh
# Submits a Slurm job array that renders the frames FIRST..LAST of SCENE in chunks of CHUNK,
# and an assembly job that starts once every task of the array has succeeded.
#
# usage: slurm-submit.sh SCENE FIRST LAST CHUNK OUT.webp [penwick options...]
# Run it from a folder every node sees at the same path (the jobs start in it).
set -eu
[ $# -ge 5 ] || { echo "usage: $0 SCENE FIRST LAST CHUNK OUT.webp [penwick options...]" >&2; exit 1; }
scene=$1 first=$2 last=$3 chunk=$4 out=$5
shift 5
here=$(cd "$(dirname "$0")" && pwd)
tasks=$(( (last - first + chunk) / chunk ))
frames=${out%.webp}.frames

render=$(sbatch --parsable --array=0-$((tasks - 1)) "$here/slurm-render.sbatch" \
  "$scene" "$first" "$last" "$chunk" "$frames" "$@")
sbatch --parsable --dependency=afterok:"${render%%;*}" "$here/slurm-assemble.sbatch" \
  "$scene" "$first" "$last" "$frames" "$out" "$@"
