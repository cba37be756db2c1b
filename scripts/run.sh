#!/usr/bin/env bash
# Installs what is missing, builds, and runs the tool.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# For now the command-line tool prints the address map of a fresh calibration image.
exec ./build/bin/vx42ctl map "$@"
