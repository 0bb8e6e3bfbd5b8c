# Sourced by the X session scripts: starts $VIEWER with the arguments left in "$@" (status lines
# into $OUT/stdout, F12 pictures as $OUT/shot-N.png), stops it when the script ends, and sets
# LOG and WID (the viewer's window).
export QT_QPA_PLATFORM=xcb
LOG="$OUT/stdout"
: >"$LOG"
"$VIEWER" "$@" --echo-status --shot-base "$OUT/shot" >>"$LOG" 2>"$OUT/stderr" &
PID=$!
trap 'kill "$PID" 2>/dev/null || true' EXIT
WID=$(timeout 30 xdotool search --sync --onlyvisible --name "Tyx atlas viewer" | head -1)
xdotool windowfocus --sync "$WID" || true
