#!/usr/bin/env bash
# Builds the installable packages into build/packages: a .deb (sudo apt install ./FILE.deb)
# and a .tar.gz that runs from wherever it is unpacked.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
(cd build && cpack -B "$root/build/packages" >/dev/null)
rm -rf build/packages/_CPack_Packages
ls -1 "$root"/build/packages/*.deb "$root"/build/packages/*.tar.gz
