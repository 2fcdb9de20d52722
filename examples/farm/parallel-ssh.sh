#!/bin/sh
# Renders the frames FIRST..LAST of SCENE in chunks on several machines over ssh with GNU
# parallel, then assembles them into OUT.webp on this one.
#
# usage: parallel-ssh.sh NODES SCENE FIRST LAST OUT.webp [penwick options...]
#   NODES  a file of ssh logins, one a line, as GNU parallel's --sshloginfile reads them
#          ("4/render1" runs 4 jobs on render1; ":" is this machine)
# Every node needs penwick on its PATH and this folder at the same path (a shared NFS or SMB
# mount): the scene, its images (looked for beside the scene first) and the frames folder are
# read and written there. A node that is lost mid-chunk leaves only whole frames; --retries runs
# the chunk again elsewhere, and --skip-existing draws only what is missing.
set -eu
[ $# -ge 5 ] || { echo "usage: $0 NODES SCENE FIRST LAST OUT.webp [penwick options...]" >&2; exit 1; }
nodes=$1 scene=$2 first=$3 last=$4 out=$5
shift 5
chunk=12
frames=${out%.webp}.frames

chunks() {
  f=$first
  while [ "$f" -le "$last" ]; do
    e=$((f + chunk - 1))
    [ "$e" -le "$last" ] || e=$last
    echo "$f-$e"
    f=$((e + 1))
  done
}

# --wd runs each job in this folder on its node; --retries 3 tries a failed chunk up to three
# times (on another node when one is free). Exit statuses 1, 3, 4 and 5 will fail again anywhere.
chunks | parallel --sshloginfile "$nodes" --wd "$PWD" --retries 3 --halt soon,fail=1 -q \
  penwick --export-frames "$frames" --frames {} --skip-existing --progress lines "$@" "$scene"
penwick --export-webp "$out" --from-frames "$frames" --from "$first" --to "$last" "$@" "$scene"
