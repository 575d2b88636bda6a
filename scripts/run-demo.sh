#!/usr/bin/env bash
# Builds the program, lays out the demo school under build/demo-school and
# starts the program from its program folder there.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-packages.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$root/build" -j"$(nproc)" --target soinsuu demo_school
program="$root/build/demo-school/素因数分解/soinsuu"
cd "$(dirname "$program")"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: starting the program under Xvfb (1024x768)."
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$root/tests/foundation/with-pulseaudio.sh" "$program"
fi
exec "$program"
