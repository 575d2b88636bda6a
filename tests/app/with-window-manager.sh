#!/usr/bin/env bash
# Runs a command on a private X server with a real window manager (openbox)
# and a desktop panel (tint2) along the screen's edge, as a classroom
# machine's desktop has them. SOINSUU_SCREEN sets the screen size.
set -euo pipefail
size=${SOINSUU_SCREEN:-1024x768}
display=
for n in $(seq 91 140); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=":$n"; break; fi
done
[ -n "$display" ] || { echo "no free X display" >&2; exit 1; }
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; }
trap cleanup EXIT
Xvfb "$display" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 & pids+=($!)
export DISPLAY=$display QT_QPA_PLATFORM=xcb
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox >/dev/null 2>&1 & pids+=($!)
for _ in $(seq 100); do wmctrl -m >/dev/null 2>&1 && break; sleep 0.1; done
tint2 >/dev/null 2>&1 & pids+=($!)
sleep 0.5
"$@"
