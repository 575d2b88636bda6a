#!/usr/bin/env bash
# Runs a command with a private PulseAudio server whose only sink is a null
# sink: nothing reaches anyone's speakers, and the sink's monitor carries
# exactly what the command played, so a test can record and check it.
# The server lives in a folder of its own (so runs side by side never meet)
# and is stopped when the command ends; the command's exit status is kept.
# Works as root and without a display or standard input (CI).
set -euo pipefail

for tool in pulseaudio pactl; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "with-pulseaudio.sh: '$tool' is missing (Debian packages pulseaudio and pulseaudio-utils)" >&2
    exit 1
  fi
done

runtime=$(mktemp -d "${TMPDIR:-/tmp}/soinsuu-pulse.XXXXXX")
server_pid=
cleanup() {
  if [ -n "$server_pid" ]; then
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
  fi
  rm -rf "$runtime"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

socket="$runtime/native"
# The daemon keeps its state in the private folder, not in the user's home.
# Should this script be killed outright, the server still leaves by itself
# once no client has been connected for a while.
HOME="$runtime" XDG_CONFIG_HOME="$runtime/config" XDG_RUNTIME_DIR="$runtime" \
  pulseaudio --daemonize=no --system=false -n \
    --exit-idle-time=30 --realtime=no --high-priority=no --use-pid-file=no \
    --log-target=stderr \
    --load="module-null-sink sink_name=soinsuu_null" \
    --load="module-native-protocol-unix auth-anonymous=1 socket=$socket" \
    </dev/null 2>"$runtime/server.log" &
server_pid=$!

export PULSE_SERVER="unix:$socket"
export PULSE_COOKIE="$runtime/cookie"
ready=
for _ in $(seq 100); do
  if pactl info >/dev/null 2>&1; then ready=1; break; fi
  kill -0 "$server_pid" 2>/dev/null || break
  sleep 0.05
done
if [ -z "$ready" ]; then
  echo "with-pulseaudio.sh: the PulseAudio server did not start:" >&2
  cat "$runtime/server.log" >&2
  exit 1
fi
pactl set-default-sink soinsuu_null

status=0
"$@" || status=$?
exit "$status"
