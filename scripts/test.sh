#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: once in a normal build and once
# under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh

# Every C++ file in the project's clang-format style.
bash scripts/format-check.sh

bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
ctest --test-dir build --output-on-failure --timeout 600 -j "$(nproc)"

# The window tests once more as on a desktop that writes decimals with a comma (German),
# with the locale generated into the build folder when the system has none installed.
bash scripts/comma-locale.sh build/locale
LOCPATH="$root/build/locale" LANG=de_DE.UTF-8 LC_ALL=de_DE.UTF-8 \
  ctest --test-dir build --output-on-failure --timeout 600 -j "$(nproc)" -L '^ui$'

# The Windows build (MinGW-w64) and its tests under Wine, where the cross tools are installed.
if command -v x86_64-w64-mingw32-g++-posix >/dev/null &&
   { command -v wine64 >/dev/null || [ -x /usr/lib/wine/wine64 ]; }; then
  bash scripts/windows-test.sh build-windows
fi

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
bash scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DVX42_SANITIZE=ON
ctest --test-dir build-asan --output-on-failure --timeout 900 -j "$(nproc)"
