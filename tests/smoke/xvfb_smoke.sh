#!/usr/bin/env bash
# The real program under a real X server, driven by real mouse and key events: draw a box on the
# canvas, save it through the save dialog, check the file. Runs without a window manager.
# Usage: xvfb_smoke.sh PENWICK_BINARY SOURCE_DIR
set -euo pipefail
bin=$1
src=$2
name=smoke
# A plain 1024 x 768 window, no tip, no autosave in the way.
prefs=$(printf '{\r\n"ShowTip"            :0,\r\n"WinState"           :0,\r\n"WinW"               :1024,\r\n"WinH"               :768,\r\n"Autosave"           :0\r\n}')
source "$(dirname "$0")/xvfb_session.sh"
# The box tool is button 11 at x 31 of the tool bar, which starts below the menu bar (about
# 20 to 30 pixels high): y 36 lands on it whatever the menu bar's exact height.
at $((31 + 12)) 36; xdotool click 1; sleep 0.3
# Drag on the canvas from (300, 200) to (420, 290) in window pixels.
at 300 200; xdotool mousedown 1; sleep 0.2
for s in 1 2 3 4 5 6; do at $((300 + 20 * s)) $((200 + 15 * s)); done
xdotool mouseup 1; sleep 0.3

out="$work/drawn"
saveThroughDialog "$out"
if ! grep -q "^shape,0,[^,]*,Box_0,.*,120,90," "$out.txt"; then
  echo "smoke: no box in the saved scene:"; cat "$out.txt"; exit 1
fi
title=$(xdotool getwindowname "$win")
[ "$title" = "Penwick Animation 0.15 - drawn.txt" ] || { echo "smoke: title is '$title'"; exit 1; }

# The window manager's close request ends the program normally, and closing saves the settings.
rm -f "$work/Preferences.ini"
python3 "$(dirname "$0")/wm_close.py" "$win"
status=
for _ in $(seq 1 100); do
  if ! kill -0 "$app" 2>/dev/null; then wait "$app" && status=0 || status=$?; break; fi
  sleep 0.1
done
[ "$status" = 0 ] || { echo "smoke: close request gave status '${status:-still running}'"; tail -40 "$work/penwick.log"; exit 1; }
[ -s "$work/Preferences.ini" ] || { echo "smoke: closing did not save the settings"; exit 1; }
echo "smoke: drew a box, saved it through the dialog, closed the window: 1 passed, 0 failed"
