#!/usr/bin/env bash
# Screenshots of the main window under Xvfb, at 100 % and 150 % scaling, into screenshots/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
rm -rf screenshots
xvfb-run -a -s "-screen 0 1600x1200x24" ./build/bin/vx42_screenshots screenshots/100
QT_SCALE_FACTOR=1.5 xvfb-run -a -s "-screen 0 2400x1800x24" ./build/bin/vx42_screenshots screenshots/150
echo "Screenshots in $root/screenshots"
