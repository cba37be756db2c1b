#!/usr/bin/env bash
# With the package installed: a calibration file opened the way a desktop opens it
# (xdg-open, from a clean home under Xvfb) shows in the window. Both of xdg-open's ways of
# finding the program are tried: a desktop's own opener (GNOME's gio) and, without a desktop,
# xdg-utils' generic one (with the mimetype program xdg-utils recommends, when installed).
# Exit status 77 (skipped) when the package is not installed.
#
# xdg_open_test.sh [SCREENSHOT_FOLDER]
set -euo pipefail
if [ ! -x /usr/bin/VX42 ] || [ ! -f /usr/share/mime/packages/vx42-configurator.xml ]; then
    echo "the package is not installed: skipped"
    exit 77
fi
for tool in xvfb-run xdg-open xwininfo xprop; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing" >&2; exit 1; }
done
shots=${1:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp /usr/share/vx42-configurator/Demo.DVF "$work/calibration.DVF"

# Runs in the X server's session: opens the file with xdg-open as desktop $1 and waits for
# the window titled with the file's name; then closes that window's program by its id.
cat >"$work/session.sh" <<'SESSION'
set -u
desktop=$1 file=$2 shot=$3
title="VX42 Version $(VX42 --version | sed 's/^VX42 Version //') [calibration.DVF]"
if [ -n "$desktop" ]; then export XDG_CURRENT_DESKTOP=$desktop; else unset XDG_CURRENT_DESKTOP; fi
type=$(xdg-mime query filetype "$file")
[ "$type" = "application/x-vx42-calibration" ] || { echo "FAIL: xdg-mime says $type"; exit 1; }
xdg-open "$file" >/dev/null 2>&1 &
opener=$!
window=""
for _ in $(seq 1 150); do
    window=$(xwininfo -root -tree | grep -F "\"$title\"" | awk '{ print $1 }' | head -1)
    [ -n "$window" ] && break
    sleep 0.2
done
if [ -z "$window" ]; then
    echo "FAIL: no window titled \"$title\" (${desktop:-generic})"
    xwininfo -root -tree | grep '"' | head -20
    kill "$opener" 2>/dev/null
    exit 1
fi
sleep 1
[ -n "$shot" ] && import -window root "$shot"
pid=$(xprop -id "$window" _NET_WM_PID | awk '{ print $NF }')
kill "$pid"
wait "$opener" 2>/dev/null
echo "opened in the window \"$title\" (${desktop:-generic})"
SESSION

run() {
    local desktop=$1 home="$work/home-${1:-generic}"
    mkdir -p "$home"
    env -i PATH="$PATH" HOME="$home" LANG=C.UTF-8 xvfb-run -a -s "-screen 0 1366x768x24" \
        bash "$work/session.sh" "$desktop" "$work/calibration.DVF" \
        "${shots:+$shots/xdg-open-${desktop:-generic}.png}"
}
[ -n "$shots" ] && mkdir -p "$shots"
if command -v gio >/dev/null; then run GNOME; fi
if command -v mimetype >/dev/null; then run ""; fi
if ! command -v gio >/dev/null && ! command -v mimetype >/dev/null; then
    echo "FAIL: neither gio nor mimetype: xdg-open cannot tell a calibration file" >&2
    exit 1
fi
