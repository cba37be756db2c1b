#!/usr/bin/env bash
# Builds the installable packages into build/packages: a .deb (sudo apt install ./FILE.deb),
# its debug symbols (-dbgsym .ddeb) and a .tar.gz that runs from wherever it is unpacked. The
# programs are hardened with the flags dpkg-buildflags gives (cmake/Vx42.cmake).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
(cd build && cpack -B "$root/build/packages" >/dev/null)
rm -rf build/packages/_CPack_Packages
ls -1 "$root"/build/packages/*.deb "$root"/build/packages/*.ddeb "$root"/build/packages/*.tar.gz
