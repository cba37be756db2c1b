#!/usr/bin/env bash
# windows-installer.sh [DIR [CMAKE OPTIONS...]]: the Windows installer
# VX42-Configurator-VERSION-x64.msi, made with wixl in the 64-bit Windows cross build DIR
# (build-windows, the windows-cross preset of CMakePresets.json); prints its path. It ships
# the installation manual of the Linux build in build/ when there is one, or the PDF named by
# -DVX42_INSTALLER_MANUAL=FILE. On Windows: msiexec /i VX42-Configurator-VERSION-x64.msi
# (/qn for a silent install; msiexec /x the same file uninstalls).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$root/${1:-build-windows}
[ $# -gt 0 ] && shift
jobs=${JOBS:-$(nproc)}

if [ ! -f "$dir/build.ninja" ] || [ $# -gt 0 ]; then
  (cd "$root" && cmake --preset windows-cross -B "$dir" -Wno-dev "$@" >/dev/null)
fi
# The build runs its tools (the demonstration calibration, the message libraries) under Wine,
# in the build's prefix: made once, before they start at once.
wine_run=$root/scripts/wine-run.sh
[ -d "$dir/wine" ] || bash "$wine_run" "$dir/wine" --fresh
trap 'bash "$wine_run" "$dir/wine" --stop' EXIT
cmake --build "$dir" --parallel "$jobs" --target msi
ls "$dir"/VX42-Configurator-*-x64.msi
