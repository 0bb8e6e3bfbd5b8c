#!/usr/bin/env bash
# Runs under xvfb-run: starts the viewer and types each search into its field (Ctrl+F, the text,
# Enter) as a user would, saving the window with F12 after each; then presses the right arrow key
# (the map must have the keys back), and moves the mouse onto the map and off it again. The
# viewer's status lines and the marks of this script go to OUT/stdout.
#   search_session.sh VIEWER OUT QUERIES-FILE VIEWER-ARGUMENTS...
set -euo pipefail
VIEWER=$1
OUT=$2
QUERIES=$3
shift 3
export QT_QPA_PLATFORM=xcb
LOG="$OUT/stdout"
: >"$LOG"
"$VIEWER" "$@" --echo-status --timing --shot-base "$OUT/shot" >>"$LOG" 2>"$OUT/stderr" &
PID=$!
trap 'kill "$PID" 2>/dev/null || true' EXIT
WID=$(timeout 30 xdotool search --sync --onlyvisible --name "Tyx atlas viewer" | head -1)
xdotool windowfocus --sync "$WID" || true
# The mouse off the window: the status shows the view's centre.
xdotool mousemove --sync 1020 760
# The town index is ready when the viewer says how many towns it has to search.
for _ in $(seq 100); do grep -q "towns to search" "$LOG" && break; sleep 0.2; done
while IFS= read -r Q; do
  xdotool key ctrl+f
  sleep 0.3
  # A letter outside the keymap is typed through a keycode xdotool remaps: the toolkit needs
  # time to see each remapping, or the letter is lost.
  DELAY=40
  LC_ALL=C grep -q '[^ -~]' <<<"$Q" && DELAY=250
  xdotool type --delay "$DELAY" "$Q"
  sleep 0.5
  xdotool key Return
  sleep 0.8
  echo "mark: $Q" >>"$LOG"
  xdotool key F12
  sleep 0.5
done <"$QUERIES"
xdotool key Right
sleep 0.8
echo "mark: panned" >>"$LOG"
eval "$(xdotool getwindowgeometry --shell "$WID")"
xdotool mousemove --sync $((X + WIDTH / 2)) $((Y + HEIGHT / 2))
sleep 0.3
xdotool mousemove --sync $((X + WIDTH / 2 + 1)) $((Y + HEIGHT / 2))
sleep 0.5
echo "mark: hover" >>"$LOG"
xdotool mousemove --sync $((X + WIDTH + 40)) $((Y + HEIGHT / 2))
sleep 0.5
echo "mark: left" >>"$LOG"
echo "mark: end" >>"$LOG"
