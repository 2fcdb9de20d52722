#!/usr/bin/env bash
# Whole-process timing of the animation exports against their two-step equivalent: 300 frames
# (10 s at 30 fps) of a generated 1,000-shape scene at 1280 x 720, every object keyed to move,
# turn, scale and fade. Each of --export-webp, --export-gif, --export-apng and --export-video
# (MP4, WebM) is timed beside --export-frames plus the ffmpeg program encoding those PNG frames to
# the same format with matching settings (GIF: a palette per frame; video: the same rate factor,
# preset and pixel format). Then --export-lottie and --export-svg of the 10,000-shape scene.
#
#   bench/anim_exports.sh              build, install ffmpeg if missing, write the scenes, time
#   FRAMES=60 bench/anim_exports.sh    fewer frames (default 300)
#   BUILD=/path OUT=/path ...          build folder (default build-anim, Release) and work folder
#   ROWS="WebP GIF" bench/anim_exports.sh   only these formats, without the Lottie and SVG timings
#
# The ffmpeg program is only this script's yardstick: penwick links FFmpeg's libraries and never
# starts it. Timings share the machine with whatever else runs: the load is printed with them.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD:-$ROOT/build-anim}
OUT=${OUT:-$BUILD/anim}
FRAMES=${FRAMES:-300}
ROWS=${ROWS:-}
FPS=30
LAST=$((FRAMES - 1))

cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DPENWICK_TESTS=OFF -DPENWICK_BENCH=ON \
  >/dev/null
cmake --build "$BUILD" -j"$(nproc)" --target penwick bench_render >/dev/null

if ! command -v ffmpeg >/dev/null; then
  echo "installing ffmpeg" >&2
  { apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq ffmpeg; } \
    >/dev/null || true
fi
command -v ffmpeg >/dev/null || { echo "ffmpeg is missing" >&2; exit 1; }

export QT_QPA_PLATFORM=offscreen
rm -rf "$OUT"
mkdir -p "$OUT"
"$BUILD/bench/bench_render" --write-scenes "$OUT" 1000 10000 >/dev/null
cd "$OUT"

# Keys for every object: from where it stands at frame 0 to 40 units right and 20 down, 110 %,
# turned 12 degrees about the canvas centre and faded to 200 at the last frame.
animate() {
  awk -v last="$LAST" -v fps="$FPS" -F, '
    NR == 1 { print; print "anim," last "," fps ","; next }
    /^anim,/ { next }
    /^key,/ { next }
    /^obj,/ {
      print
      printf "key,0,0,%s,%s,%s,%s,640,360,0,%s,\r\n", $3, $4, $5, $6, $10
      printf "key,%s,0,%d,%d,%d,%d,640,360,12,200,\r\n", last, $3 + 40, $4 + 20, $5 * 1.1, $6 * 1.1
      next
    }
    { print }' "$1" >"$2"
}
animate scene-1000.txt anim-1000.txt
animate scene-10000.txt anim-10000.txt

PENWICK="$BUILD/penwick"
SETTINGS=(--settings "$OUT/bench-settings.ini")
FF=(ffmpeg -v error -y -framerate "$FPS" -i "$OUT/frames/frame_%05d.png")

# Seconds a command takes (wall clock), its output to a log.
seconds() {
  local start end
  start=$(date +%s.%N)
  "$@" >>"$OUT/log.txt" 2>&1 || { echo "failed: $*" >&2; tail -5 "$OUT/log.txt" >&2; exit 1; }
  end=$(date +%s.%N)
  echo "$start $end" | awk '{ printf "%.2f", $2 - $1 }'
}

echo "machine: $(nproc) cores; $(uptime | sed 's/^ *//')"
echo "scene: 1,000 shapes, 1280 x 720, $FRAMES frames at $FPS fps"
frames=$(seconds "$PENWICK" --export-frames "$OUT/frames" "${SETTINGS[@]}" anim-1000.txt)
echo "--export-frames: ${frames} s"
printf '%-14s %10s %12s %12s %12s\n' format penwick ffmpeg frames+ffmpeg size-kB
row() {
  local name=$1 flag=$2 file=$3
  shift 3
  if [ -n "$ROWS" ] && [[ " $ROWS " != *" $name "* ]]; then return; fi
  local ours theirs
  ours=$(seconds "$PENWICK" $flag "$OUT/pw-$file" "${SETTINGS[@]}" anim-1000.txt)
  theirs=$(seconds "${FF[@]}" "$@" "$OUT/ff-$file")
  printf '%-14s %9ss %11ss %11ss %6s/%s\n' "$name" "$ours" "$theirs" \
    "$(echo "$frames $theirs" | awk '{ printf "%.2f", $1 + $2 }')" \
    "$(($(stat -c %s "$OUT/pw-$file") / 1024))" "$(($(stat -c %s "$OUT/ff-$file") / 1024))"
}
row WebP --export-webp out.webp -c:v libwebp_anim -lossless 1 -compression_level 1 -loop 0
row GIF --export-gif out.gif \
  -vf "split[a][b];[a]palettegen=stats_mode=single:reserve_transparent=1[p];[b][p]paletteuse=new=1" \
  -loop 0
row APNG --export-apng out.png -plays 0 -f apng
row MP4 --export-video out.mp4 -c:v libx264 -preset medium -crf 21 -pix_fmt yuv420p
row WebM --export-video out.webm -c:v libvpx-vp9 -crf 26 -b:v 0 -deadline good -cpu-used 4 \
  -row-mt 1 -pix_fmt yuv420p

if [ -n "$ROWS" ]; then echo "after: $(uptime | sed 's/^ *//')"; exit 0; fi
echo "scene: 10,000 shapes (goal: under a second each)"
echo "--export-lottie ($FRAMES frames): $(seconds "$PENWICK" --export-lottie "$OUT/pw-10000.json" \
  "${SETTINGS[@]}" anim-10000.txt) s, $(($(stat -c %s "$OUT/pw-10000.json") / 1024)) kB"
echo "--export-svg: $(seconds "$PENWICK" --export-svg "$OUT/pw-10000.svg" "${SETTINGS[@]}" \
  scene-10000.txt) s, $(($(stat -c %s "$OUT/pw-10000.svg") / 1024)) kB"
echo "after: $(uptime | sed 's/^ *//')"
