#!/usr/bin/env bash
# Screenshots of the main window and its dialogs under Xvfb, full and relay mode, into
# screenshots/: at 100 % on a 1366 x 768 laptop screen and at 150 % on a 1920 x 1080 screen.
# With --windows, the same of the Windows build (build-windows, made by scripts/windows-test.sh
# with Qt for Windows) under Wine, into screenshots/windows-*: Windows' own platform, the style
# Qt picks there, Wine's Windows fonts.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh
shots=$root/screenshots
rm -rf "$shots"
if [ "${1:-}" = --windows ]; then
  program=$root/build-windows/bin/vx42_screenshots.exe
  [ -f "$program" ] || { echo "screenshots: no $program: run scripts/windows-test.sh with Qt for Windows" >&2; exit 1; }
  prefix=$root/build-windows/screenshots-wine
  bash scripts/wine-run.sh "$prefix" --fresh
  # Wine hands the Windows programs the QT_* settings given to it as WINEQT_*. It keeps a
  # prefix's windows on the display its server first met: each screen is a run of its own.
  source scripts/own-display.sh
  own_display_pid=""
  trap 'bash scripts/wine-run.sh "$prefix" --stop; [ -z "$own_display_pid" ] || kill $own_display_pid' EXIT
  shoot() {  # NAME SIZE SCALE MODE
    own_display "$prefix.display" "$2"
    WINEQT_SCALE_FACTOR=$3 bash scripts/wine-run.sh "$prefix" "$program" "Z:$shots/windows-$1" "--$4"
    bash scripts/wine-run.sh "$prefix" --stop
    kill "$own_display_pid"
    own_display_pid=""
  }
else
  bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  shoot() {  # NAME SIZE SCALE MODE
    QT_SCALE_FACTOR=$3 xvfb-run -a -s "-screen 0 $2x24" ./build/bin/vx42_screenshots "$shots/$1" "--$4"
  }
fi
for mode in full relay; do
  shoot "100-$mode" 1366x768 1 "$mode"
  shoot "150-$mode" 1920x1080 1.5 "$mode"
done
echo "Screenshots in $shots"
