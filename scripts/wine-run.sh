#!/usr/bin/env bash
# wine-run.sh PREFIX PROGRAM [ARGUMENTS...]: runs a Windows program under Wine in the given
# prefix, quietly and without a display (no Wine debug channels, no Mono or Gecko installers,
# and no menu builder, which would put the prefix's Start menu entries and file types on the
# desktop of the machine running Wine).
# The cross build's CTest and build steps run its programs through this. A program that
# fails is named with its exit status, since Wine's own failures print nothing here.
set -uo pipefail
prefix=$1
shift
wine=$(command -v wine64 || command -v wine || true)
[ -n "$wine" ] || wine=/usr/lib/wine/wine64
export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY
"$wine" "$@"
status=$?
[ "$status" -eq 0 ] || echo "wine-run: $(basename "$1") exited with status $status" >&2
exit "$status"
