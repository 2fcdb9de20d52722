#!/usr/bin/env bash
# The real program under a real X server, driven by real wheel and key events: Ctrl+wheel over the
# canvas changes the zoom the status bar shows, and arrow keys move the selected shape, as the
# saved file tells. Runs without a window manager.
# Usage: xvfb_habits.sh PENWICK_BINARY SOURCE_DIR
set -euo pipefail
bin=$1
src=$2
name="habits smoke"
prefs=$(printf '{\r\n"ShowTip":0,\r\n"WinState":0,\r\n"WinW":1024,\r\n"WinH":768,\r\n"Zoom":100,\r\n"Autosave":0\r\n}')
source "$(dirname "$0")/xvfb_session.sh"
# The status bar's zoom field: the bottom-left corner of the window.
zoomField() {
  if command -v import >/dev/null; then
    import -window root -crop "100x18+$((X + 2))+$((Y + HEIGHT - 20))" "$work/$1.png"
  fi
}
# "x,y" of the box in a saved scene: the fields after its width and height.
boxAt() { sed -n 's/^shape,0,[^,]*,Box_0,.*,120,90,[^,]*,\(-\?[0-9]*\),\(-\?[0-9]*\),.*/\1,\2/p' "$1"; }

# A box, drawn with the box tool (button 11, below the menu bar), is current and the canvas has
# the keyboard.
at $((31 + 12)) 36; xdotool click 1; sleep 0.3
at 300 200; xdotool mousedown 1; sleep 0.2
for s in 1 2 3 4 5 6; do at $((300 + 20 * s)) $((200 + 15 * s)); done
xdotool mouseup 1; sleep 0.3

out="$work/nudged"
saveThroughDialog "$out"
before=$(boxAt "$out.txt")
[ -n "$before" ] || fail "no box in the saved scene: $(cat "$out.txt")"
# Without a window manager nobody hands the keyboard back to the window once the dialog is gone.
xdotool windowfocus --sync "$win"; sleep 0.3

# Ctrl+wheel up, one notch, over the canvas.
zoomField zoom-before
at 360 240
xdotool keydown ctrl; xdotool click 4; xdotool keyup ctrl; sleep 0.5
zoomField zoom-after
if [ -f "$work/zoom-before.png" ] && cmp -s "$work/zoom-before.png" "$work/zoom-after.png"; then
  fail "the status bar's zoom did not change"
fi

# Right three times, Shift+Down once, then save again (the scene has its file now).
xdotool key Right Right Right shift+Down; sleep 0.3
rm -f "$out.txt"
# Asked again while nothing is written: a key sent as the window takes the keyboard back can be
# lost, and saving twice does no harm.
for _ in 1 2 3; do
  xdotool windowfocus --sync "$win" 2>/dev/null || true
  xdotool key --window "$win" ctrl+s
  for _ in $(seq 1 50); do [ -s "$out.txt" ] && break; sleep 0.1; done
  [ -s "$out.txt" ] && break
done
[ -s "$out.txt" ] || fail "the second save wrote nothing"
after=$(boxAt "$out.txt")
[ -n "$after" ] || fail "the second save wrote no box"
IFS=, read -r x0 y0 <<<"$before"
IFS=, read -r x1 y1 <<<"$after"
[ "$x1" = $((x0 + 3)) ] && [ "$y1" = $((y0 + 10)) ] ||
  fail "the box went from $before to $after, not by 3, 10"

# Closing saves the settings: the zoom the wheel set, and the scene in the recent list.
python3 "$(dirname "$0")/wm_close.py" "$win"
for _ in $(seq 1 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app" 2>/dev/null && fail "the window did not close"
grep -q '"Zoom" *: 110,' "$work/Preferences.ini" || fail "zoom not 110: $(grep Zoom "$work/Preferences.ini")"
grep -q "\"RecentFiles\" *: \[\"$out.txt\"\]" "$work/Preferences.ini" || fail "no recent scene"
echo "habits smoke: Ctrl+wheel zoomed to 110 %, the arrows moved the box by 3, 10: 1 passed, 0 failed"
