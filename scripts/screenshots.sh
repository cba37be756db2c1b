#!/usr/bin/env bash
# Screenshots of the main window under Xvfb, full and relay mode, into screenshots/: at 100 %
# on a 1366 x 768 laptop screen and at 150 % on a 1920 x 1080 screen.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
rm -rf screenshots
for mode in full relay; do
  xvfb-run -a -s "-screen 0 1366x768x24" \
    ./build/bin/vx42_screenshots "screenshots/100-$mode" "--$mode"
  QT_SCALE_FACTOR=1.5 xvfb-run -a -s "-screen 0 1920x1080x24" \
    ./build/bin/vx42_screenshots "screenshots/150-$mode" "--$mode"
done
echo "Screenshots in $root/screenshots"
