# Sourced first by the X session scripts, which take VIEWER OUT VIEWER-ARGUMENTS...: starts the
# viewer with its arguments, --echo-status and F12 saving OUT/shot-N.png on the X server of
# xvfb-run (its output to LOG, OUT/stdout, its errors to OUT/stderr), waits for its window,
# focuses it and sets WID and its geometry X, Y, WIDTH, HEIGHT. The viewer ends with the script.
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
sleep 1
eval "$(xdotool getwindowgeometry --shell "$WID")"
