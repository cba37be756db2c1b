#!/usr/bin/env bash
# windows-test.sh [DIR [CMAKE OPTIONS...]]: the 64-bit Windows build (MinGW-w64, the
# windows-cross preset of CMakePresets.json) of the core libraries, vx42ctl.exe, the driver
# stand-in ftd2xx.dll and every headless test into DIR (build-windows), then every test under
# Wine in a fresh prefix in DIR. No Qt and no libftdi1 there: the window needs Qt for Windows,
# and the vendor's driver is the way to the bridge.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$root/${1:-build-windows}
[ $# -gt 0 ] && shift
jobs=${JOBS:-$(nproc)}

if [ ! -f "$dir/build.ninja" ]; then
  (cd "$root" && cmake --preset windows-cross -B "$dir" -Wno-dev "$@" >/dev/null)
fi

# A fresh Wine prefix each run, made once and settled (its server gone) before anything runs
# in it.
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
stop_server() { WINEPREFIX="$dir/wine" "$wineserver" -k 2>/dev/null || true; }
stop_server
rm -rf "$dir/wine"
bash "$root/scripts/wine-run.sh" "$dir/wine" wineboot --init >/dev/null 2>&1
WINEPREFIX="$dir/wine" "$wineserver" -w
trap stop_server EXIT
cmake --build "$dir" --parallel "$jobs"
ctest --test-dir "$dir" --output-on-failure --timeout 600 -j "$jobs"
