#!/usr/bin/env bash
# Runs under xvfb-run: starts the viewer, points at the middle of its window with the real mouse,
# drags the map 150 px left and 100 px up, and saves the window with F12 before and after. The
# viewer's status lines and the marks of this script go to OUT/stdout.
#   x_session.sh VIEWER OUT VIEWER-ARGUMENTS...
set -euo pipefail
VIEWER=$1
OUT=$2
shift 2
# shellcheck source=tests/viewer/x_start_viewer.sh
. "$(dirname "$0")/x_start_viewer.sh"
sleep 1
eval "$(xdotool getwindowgeometry --shell "$WID")"
CX=$((X + WIDTH / 2))
CY=$((Y + HEIGHT / 2))
xdotool mousemove --sync "$CX" "$CY"
sleep 0.3
xdotool mousemove --sync $((CX + 1)) "$CY"
sleep 0.7
echo "mark: hover" >>"$LOG"
xdotool key F12
sleep 1
xdotool mousedown 1
# The first move with the button down anchors the pan; the next ones move the map.
xdotool mousemove --sync "$CX" "$CY"
sleep 0.1
for k in 1 2 3 4 5; do
  xdotool mousemove --sync $((CX - 30 * k)) $((CY - 20 * k))
  sleep 0.1
done
xdotool mouseup 1
sleep 1
echo "mark: dragged" >>"$LOG"
xdotool key F12
sleep 1
echo "mark: end" >>"$LOG"
