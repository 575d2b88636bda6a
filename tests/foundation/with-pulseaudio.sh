#!/usr/bin/env bash
# Runs a command with a PulseAudio server to play to: the user's own when one
# runs, else a private one whose default sink is a null sink (its monitor
# can be recorded, so a test can hear what was played).
set -euo pipefail
if ! pactl info >/dev/null 2>&1; then
  export XDG_RUNTIME_DIR="${TMPDIR:-/tmp}/soinsuu-pulse-$(id -u)"
  mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
  if ! pactl info >/dev/null 2>&1; then
    pulseaudio --daemonize=yes --exit-idle-time=-1 --disallow-exit=yes -n \
      --load="module-null-sink sink_name=soinsuu_null" \
      --load="module-native-protocol-unix" 2>/dev/null || true
    for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
    pactl set-default-sink soinsuu_null
  fi
fi
exec "$@"
