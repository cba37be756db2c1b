#!/usr/bin/env bash
# windows-test.sh [DIR [CMAKE OPTIONS...]]: the 64-bit Windows build (MinGW-w64, the
# windows-cross preset of CMakePresets.json) of the core libraries, vx42ctl.exe, the driver
# stand-in ftd2xx.dll, every headless test and the installer into DIR (build-windows), then every
# test under Wine in a fresh prefix in DIR. No libftdi1 there: the vendor's driver is the way to
# the bridge.
# The windows VX42.exe and VX42RelayControl.exe and their tests are built against Qt for
# Windows: the one VX42_QT_WINDOWS names, else the one scripts/build-qt-windows.sh built into its
# cache folder on this machine, else built now when VX42_BUILD_QT_WINDOWS=1 (about 22 minutes
# on 2 cores); without one they are left out, and one line says so.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$root/${1:-build-windows}
[ $# -gt 0 ] && shift
jobs=${JOBS:-$(nproc)}

qt=${VX42_QT_WINDOWS:-}
if [ -z "$qt" ]; then
  cached=$(bash "$root/scripts/build-qt-windows.sh" --where)
  if [ -f "$cached/.complete" ]; then
    qt=$cached
  elif [ "${VX42_BUILD_QT_WINDOWS:-0}" = 1 ]; then
    qt=$(bash "$root/scripts/build-qt-windows.sh" | tail -1)
  fi
fi
if [ -n "$qt" ]; then
  echo "windows-test: the windows are built against Qt for Windows in $qt"
else
  echo "windows-test: the windows and their tests are left out: no Qt for Windows on this" \
       "machine (VX42_BUILD_QT_WINDOWS=1 builds it, about 22 minutes; or set VX42_QT_WINDOWS)"
fi
if [ ! -f "$dir/build.ninja" ]; then
  (cd "$root" && cmake --preset windows-cross -B "$dir" -Wno-dev -DVX42_QT_WINDOWS="$qt" "$@" \
                 >/dev/null)
else
  cmake -B "$dir" -Wno-dev -DVX42_BUILD_GUI=ON -DVX42_QT_WINDOWS="$qt" "$@" >/dev/null
fi

# A fresh Wine prefix each run, settled before anything runs in it; its server stopped at the
# end, also when the run fails.
wine_run=$root/scripts/wine-run.sh
bash "$wine_run" "$dir/wine" --fresh
trap 'bash "$wine_run" "$dir/wine" --stop' EXIT
cmake --build "$dir" --parallel "$jobs"
# One server for the whole run. Wine still refuses a program now and then when two start at
# once (seen once in eleven runs here, in none of our code): a test that fails is run once
# more, and the log keeps the first failure ("wine-run: ... exited with status N").
# With the windows, the run has an Xvfb laptop screen of its own, on a display number it finds
# free, and the window tests run on Windows' own platform there: Wine passes the tests'
# QT_QPA_PLATFORM (the host's Qt's, as every QT_* variable) to no Windows program.
if [ -n "$qt" ]; then
  source "$root/scripts/own-display.sh"
  own_display "$dir/xvfb-display"
  trap 'bash "$wine_run" "$dir/wine" --stop; kill $own_display_pid 2>/dev/null' EXIT
fi
bash "$wine_run" "$dir/wine" --hold
ctest --test-dir "$dir" --output-on-failure --timeout 600 -j "$jobs" --repeat until-pass:2
