#!/usr/bin/env bash
# wine-run.sh PREFIX PROGRAM [ARGUMENTS...]: runs a Windows program under Wine in the given
# prefix, quietly and without a display unless VX42_WINE_DISPLAY names one (an X server such as
# Xvfb, for the windows on Windows' own platform) (no Wine debug channels, no Mono or Gecko installers,
# and no menu builder, which would put the prefix's Start menu entries and file types on the
# desktop of the machine running Wine).
# The cross build's CTest and build steps run its programs through this. A program that
# fails is named with its exit status, since Wine's own failures print nothing here.
#
# Wine passes the caller's QT_* variables to no Windows program (they are the host's Qt's): a
# setting for the Windows Qt goes in as WINEQT_*, WINEQT_SCALE_FACTOR=1.5 for QT_SCALE_FACTOR.
#
# The prefix itself, in place of a program:
#   wine-run.sh PREFIX --fresh    a new prefix (any old one and its server gone), settled,
#                                 with Wine's own Windows fonts in its Fonts folder
#   wine-run.sh PREFIX --settle   waits until what runs in the prefix has finished
#   wine-run.sh PREFIX --hold     keeps the prefix's server up until --stop, its services
#                                 started with no output of the caller's
#   wine-run.sh PREFIX --stop     stops the prefix's server and what runs in it
# A program started while Wine is still setting up a fresh prefix can fail without a word,
# so a prefix is settled before the first program runs in it. Between programs the server
# ends a few seconds after the last one, and a program started as it ends is refused ("a wine
# server seems to be running, but I cannot connect to it"): programs run one after another or
# side by side (a test run) hold the server up for them all. Its services are started from
# here, on no pipe of the caller's, which would otherwise wait for them to close it.
set -uo pipefail
prefix=$1
shift
wine=$(command -v wine64 || command -v wine || true)
[ -n "$wine" ] || wine=/usr/lib/wine/wine64
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY
[ -z "${VX42_WINE_DISPLAY:-}" ] || export DISPLAY=$VX42_WINE_DISPLAY
case ${1:-} in
  --stop)
    "$wineserver" -k 2>/dev/null
    "$wineserver" -w 2>/dev/null  # gone, before another server may start in the prefix
    exit 0 ;;
  --settle) exec "$wineserver" -w ;;
  --hold)
    "$wineserver" -p </dev/null >/dev/null 2>&1
    exec "$wine" cmd /c exit </dev/null >/dev/null 2>&1 ;;
  --fresh)
    "$wineserver" -k 2>/dev/null
    rm -rf "$prefix"
    "$wine" wineboot --init >/dev/null 2>&1 || { echo "wine-run: no new prefix in $prefix" >&2; exit 1; }
    "$wineserver" -w
    # Debian's Wine makes prefixes without Windows' dialog font, Tahoma. Without it Qt's
    # windows fall back to the first family Wine knows (here a mathematical font, whose line
    # height is four times its size), and text boxes draw their text outside the box.
    fonts=/usr/share/wine/fonts
    [ -f "$fonts/tahoma.ttf" ] || { echo "wine-run: Wine's fonts (fonts-wine) are not installed" >&2; exit 1; }
    cp "$fonts"/*.ttf "$prefix/drive_c/windows/Fonts/"
    exit 0 ;;
esac
"$wine" "$@"
status=$?
[ "$status" -eq 0 ] || echo "wine-run: $(basename "$1") exited with status $status" >&2
exit "$status"
