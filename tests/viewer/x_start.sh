# Sourced by the X session scripts with VIEWER OUT VIEWER-ARGUMENTS...: starts the viewer with its
# status lines going to OUT/stdout and F12 pictures to OUT/shot-N.png, waits for its window (and,
# when WAIT_FOR is set, for a line of OUT/stdout matching it), and sets LOG, PID, the window's
# X, Y, WIDTH, HEIGHT and its middle CX, CY.
set -euo pipefail
VIEWER=$1
OUT=$2
shift 2
export QT_QPA_PLATFORM=xcb
LOG="$OUT/stdout"
: >"$LOG"
"$VIEWER" "$@" --echo-status --shot-base "$OUT/shot" >>"$LOG" 2>"$OUT/stderr" &
PID=$!
trap 'kill "$PID" 2>/dev/null || true' EXIT
WID=$(timeout 30 xdotool search --sync --onlyvisible --name "Tyx atlas viewer" | head -1)
xdotool windowfocus --sync "$WID" || true
if [ -n "${WAIT_FOR:-}" ]; then
  for _ in $(seq 60); do grep -q "$WAIT_FOR" "$LOG" && break; sleep 0.5; done
fi
sleep 1
eval "$(xdotool getwindowgeometry --shell "$WID")"
CX=$((X + WIDTH / 2))
CY=$((Y + HEIGHT / 2))
