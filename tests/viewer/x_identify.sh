#!/usr/bin/env bash
# Runs under xvfb-run: starts the viewer, turns the identify tool on with Ctrl+I and clicks the
# middle of the window with the real mouse. The viewer's lines go to OUT/stdout.
#   x_identify.sh VIEWER OUT VIEWER-ARGUMENTS...
source "$(dirname "$0")/x_start.sh"
xdotool key ctrl+i
sleep 0.5
xdotool mousemove --sync $((X + WIDTH / 2)) $((Y + HEIGHT / 2))
sleep 0.3
xdotool click 1
sleep 1
