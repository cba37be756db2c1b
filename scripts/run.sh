#!/usr/bin/env bash
# Installs what is missing, builds, and runs the tool on the simulated module when no VX42
# is attached: the window when there is a display, otherwise a demonstration with the
# command-line tool (connect, retrieve, describe).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
bin="$root/build/bin"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$bin/VX42" --simulator "$@"
fi

echo "No display: a demonstration on the simulated module with vx42ctl." >&2
exec "$bin/vx42ctl" demo
