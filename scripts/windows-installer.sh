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
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
stop_server() { WINEPREFIX="$dir/wine" "$wineserver" -k 2>/dev/null || true; }
if [ ! -d "$dir/wine" ]; then
  bash "$root/scripts/wine-run.sh" "$dir/wine" wineboot --init >/dev/null 2>&1
  WINEPREFIX="$dir/wine" "$wineserver" -w
fi
trap stop_server EXIT
cmake --build "$dir" --parallel "$jobs" --target msi
ls "$dir"/VX42-Configurator-*-x64.msi
