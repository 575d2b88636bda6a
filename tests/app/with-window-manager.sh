#!/usr/bin/env bash
# Runs a command on a private X server with a real window manager (openbox)
# and a desktop panel (tint2) along the screen's edge, as a classroom
# machine's desktop has them. SOINSUU_SCREEN sets the screen size.
set -euo pipefail
size=${SOINSUU_SCREEN:-1024x768}
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
}
trap cleanup EXIT
# The server picks a free display itself and names it once it accepts
# clients, so a server still shutting down from a run before is never used.
fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$fifo" >/dev/null 2>&1 & pids+=($!)
read -r -t 20 number <"$fifo" || { echo "Xvfb did not start" >&2; exit 1; }
rm -f "$fifo"
export DISPLAY=":$number" QT_QPA_PLATFORM=xcb
openbox >/dev/null 2>&1 & pids+=($!)
for _ in $(seq 100); do wmctrl -m >/dev/null 2>&1 && break; sleep 0.1; done
wmctrl -m >/dev/null 2>&1 || { echo "openbox did not start on $DISPLAY" >&2; exit 1; }
tint2 >/dev/null 2>&1 & pids+=($!)
sleep 0.5
"$@"
