# Sourced by the smoke tests: a scratch folder holding the editor's data and the settings text
# given, a private X server, and the program started in that folder. Set before sourcing:
# bin (the program), src (the source folder), name (the test's name in messages) and prefs (the
# text of Preferences.ini). Leaves: work (the folder), app (the program's process), win and
# its geometry X, Y, WIDTH, HEIGHT; `at X Y` moves the mouse to window pixels, `fail` says why
# the test failed with the end of the program's output.
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "$name: $tool is missing"; exit 1; }
done

work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "$name: $*"; tail -40 "$work/penwick.log" 2>/dev/null; exit 1; }

mkdir -p "$work/data/shapes"
cp -r "$src/data/editor" "$work/data/"
cp "$src"/data/shapes/*.txt "$work/data/shapes/"
printf '%s' "$prefs" >"$work/Preferences.ini"

# The server picks a free display number itself and writes it to the pipe, so that smoke tests
# of several checkouts on one machine never race for the same number.
exec {dispfd}<> <(:)
Xvfb -displayfd "$dispfd" -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
disp=
read -r -t 30 -u "$dispfd" disp || true
exec {dispfd}>&-
[ -n "$disp" ] || fail "the X server did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$disp"
for _ in $(seq 1 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done

unset QT_QPA_PLATFORM
# Under LeakSanitizer: the system's D-Bus library keeps a buffer to the end, which is not ours.
printf 'leak:libdbus-1.so\n' >"$work/lsan.supp"
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$work/lsan.supp"
(cd "$work" && PENWICK_UPDATE_URL=off QT_QPA_PLATFORM=xcb exec "$bin") >"$work/penwick.log" 2>&1 &
app=$!
pids+=($app)

win=$(timeout 30 xdotool search --sync --onlyvisible --name "Penwick Animation 0.15" | head -1)
[ -n "$win" ] || fail "no window"
sleep 1
eval "$(xdotool getwindowgeometry --shell "$win")"  # X, Y, WIDTH, HEIGHT

at() { xdotool mousemove --window "$win" "$1" "$2"; sleep 0.15; }

# Saves through the save dialog that Ctrl+S opens, under `file` (".txt" is added), and waits for
# the file. Typed once the dialog is up (its file name field has the keyboard), however busy the
# machine.
saveThroughDialog() {
  local file=$1 dlg
  xdotool key --window "$win" ctrl+s
  dlg=$(timeout 30 xdotool search --sync --onlyvisible --name '^Save$' | head -1) || true
  [ -n "$dlg" ] || fail "no save dialog"
  sleep 0.5
  xdotool type --delay 20 "$file"
  xdotool key Return
  for _ in $(seq 1 150); do [ -s "$file.txt" ] && return 0; sleep 0.1; done
  fail "the save dialog wrote nothing (files: $(ls "$(dirname "$file")" | tr '\n' ' '))"
}
