#!/bin/sh
# Adds the VX42 Configurator unpacked in this folder to the user's application menu, with its
# file types and icons, so that a calibration file opens in its window with a double-click.
# Everything goes into the user's own folders; --remove takes it away again.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
data=${XDG_DATA_HOME:-$HOME/.local/share}
apps="$data/applications"
ids="example.kestrane.VX42 example.kestrane.VX42RelayControl"

refresh() {
    if command -v update-mime-database >/dev/null 2>&1; then
        update-mime-database "$data/mime" >/dev/null 2>&1 || true
    fi
    if command -v update-desktop-database >/dev/null 2>&1; then
        update-desktop-database "$apps" >/dev/null 2>&1 || true
    fi
    if command -v gtk-update-icon-cache >/dev/null 2>&1 && [ -f "$data/icons/hicolor/index.theme" ]; then
        gtk-update-icon-cache -q -t "$data/icons/hicolor" >/dev/null 2>&1 || true
    fi
}

if [ "${1:-}" = "--remove" ]; then
    for id in $ids; do rm -f "$apps/$id.desktop"; done
    rm -f "$data/mime/packages/vx42-configurator.xml"
    rm -f "$data/icons/hicolor/scalable/apps/example.kestrane.VX42.svg"
    rm -f "$data"/icons/hicolor/scalable/mimetypes/application-x-vx42-*.svg
    refresh
    echo "The VX42 Configurator's menu entries and file types are removed."
    exit 0
fi
if [ $# -gt 0 ]; then
    echo "usage: $0 [--remove]" >&2
    exit 2
fi

mkdir -p "$apps" "$data/mime/packages" "$data/icons/hicolor/scalable/apps" \
         "$data/icons/hicolor/scalable/mimetypes"
cp "$here/share/mime/packages/vx42-configurator.xml" "$data/mime/packages/"
cp "$here/share/icons/hicolor/scalable/apps/example.kestrane.VX42.svg" \
   "$data/icons/hicolor/scalable/apps/"
cp "$here"/share/icons/hicolor/scalable/mimetypes/application-x-vx42-*.svg \
   "$data/icons/hicolor/scalable/mimetypes/"
# The entries run the programs of this folder: Exec= names them whole, quoted as desktop
# entries quote (a backslash four times, '"', '`' and '$' after one, '%' doubled); the rest is
# the shipped entries' own. TryExec hides them from the menu once the folder has moved.
exec_bin=$(printf '%s' "$here/bin" | sed -e 's/\\/\\\\\\\\/g' -e 's/["`$]/\\&/g' -e 's/%/%%/g')
try_bin=$(printf '%s' "$here/bin" | sed -e 's/\\/\\\\/g')
for id in $ids; do
    EXEC_BIN=$exec_bin TRY_BIN=$try_bin awk '
        /^Exec=/ {
            match($0, /^Exec=[^ ]+/)
            program = substr($0, 6, RLENGTH - 5)
            print "Exec=\"" ENVIRON["EXEC_BIN"] "/" program "\"" substr($0, RLENGTH + 1)
            next
        }
        { print }
        /^\[Desktop Entry\]$/ { print "TryExec=" ENVIRON["TRY_BIN"] "/VX42" }
    ' "$here/share/applications/$id.desktop" >"$apps/$id.desktop"
done
refresh
echo "The VX42 Configurator is in your application menu, running from $here."
