#!/usr/bin/env bash
# Runs under xvfb-run: starts the viewer, turns the distance tool on with Ctrl+M, clicks the middle
# of the window and 200 px right of it, saves the window with F12, ends the tool with Esc and
# clicks once more. The viewer's lines and the marks of this script go to OUT/stdout.
#   x_measure.sh VIEWER OUT VIEWER-ARGUMENTS...
# The clicks wait for the view of the place asked for.
WAIT_FOR="Centre: 48°08"
# shellcheck source=x_start.sh
. "$(dirname "$0")/x_start.sh"
click() {
  xdotool mousemove --sync "$1" "$2"
  sleep 0.2
  xdotool click 1
  sleep 0.5
}
xdotool mousemove --sync "$CX" "$CY"
sleep 0.3
xdotool key ctrl+m
sleep 0.5
click "$CX" "$CY"
click $((CX + 200)) "$CY"
echo "mark: measured" >>"$LOG"
xdotool key F12
sleep 1
xdotool key Escape
sleep 0.5
click $((CX + 100)) $((CY + 100))
echo "mark: end" >>"$LOG"
