#!/usr/bin/env bash
# Runs under xvfb-run: a journey through the maps of an atlas with the real mouse and keyboard.
# The viewer starts centred on a place of the finest map; the selector picks the next coarser
# map; the wheel then zooms out over a point off the centre to the coarsest map, in to the finest
# and out again; then the window is made smaller, and Home fits the map. Marks of this script, the viewer's status
# lines, map switches and map areas go to OUT/stdout, F12 pictures to OUT/shot-N.png.
# The journey begins once a status line matches READY (the viewer has shown the place).
#   journey_session.sh VIEWER OUT OUT_STEPS IN_STEPS BACK_STEPS READY VIEWER-ARGUMENTS...
set -euo pipefail
VIEWER=$1
OUT=$2
OUT_STEPS=$3
IN_STEPS=$4
BACK_STEPS=$5
READY=$6
shift 6
set -- "$VIEWER" "$OUT" "$@"
# shellcheck source=x_start.sh
. "$(dirname "$0")/x_start.sh"
for _ in $(seq 1 240); do
  grep -q -- "$READY" "$LOG" && break
  sleep 0.5
done
sleep 0.5

mark() { echo "mark: $1" >>"$LOG"; }
# The centre of the map control, from the last area the viewer reported.
centre() { awk '/^map area: /{x = $3 + int($5 / 2); y = $4 + int($6 / 2)} END {print x, y}' "$LOG"; }
wheel() { # BUTTON COUNT NAME: 4 zooms in, 5 out; a mark after each step
  for k in $(seq 1 "$2"); do
    xdotool click "$1"
    sleep 0.35
    mark "$3 $k"
  done
}

read -r CX CY < <(centre)
xdotool mousemove --sync "$CX" "$CY"
sleep 0.5
mark start
xdotool key F12
sleep 0.5

# The selector sits on the command bar above the map: open it, one item up, take it.
read -r AX AY < <(awk '/^map area: /{x = $3; y = $4} END {print x, y}' "$LOG")
xdotool mousemove --sync $((AX + 200)) $((AY - 17)) click 1
sleep 0.7
xdotool key Up Return
sleep 1
mark selector
xdotool key F12
sleep 0.5

# The wheel turns over a point off the centre, so that zooming about the cursor shows.
xdotool mousemove --sync $((CX + 150)) $((CY + 100))
sleep 0.5
mark point
wheel 5 "$OUT_STEPS" out
xdotool key F12
sleep 0.3
wheel 4 "$IN_STEPS" in
xdotool key F12
sleep 0.3
wheel 5 "$BACK_STEPS" back
xdotool key F12
sleep 0.5

xdotool mousemove --sync "$CX" "$CY"
sleep 0.5
mark resize
xdotool windowsize --sync "$WID" 760 520 || xdotool windowsize "$WID" 760 520
sleep 1
read -r CX CY < <(centre)
xdotool mousemove --sync "$CX" "$CY"
sleep 0.5
mark resized
xdotool key F12
sleep 0.5

# Home fits the map shown (the click gives the map the keyboard; it does not move the view).
xdotool click 1
sleep 0.3
xdotool key Home
sleep 1
mark home
xdotool key F12
sleep 0.5
mark end
