#!/usr/bin/env bash
# The .deb as a user gets it: built with CPack, unpacked into a scratch root, its files
# listed, its vx42ctl run from there on the shipped library, its desktop entries and
# metainfo validated, and lintian finding no errors.
#
# package_test.sh BUILD_FOLDER
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) ||
    { cat "$work/cpack.log" >&2; fail "cpack could not build the package"; }
deb=$(ls "$work"/out/vx42-configurator_*_*.deb 2>/dev/null | head -1)
[ -n "$deb" ] || fail "no vx42-configurator_VERSION_ARCH.deb was made"
dpkg-deb -x "$deb" "$work/root"

root="$work/root/usr"
share="$root/share/vx42-configurator"
expected=(
    bin/VX42 bin/VX42RelayControl bin/vx42ctl
    share/vx42-configurator/Libraries/SAE_J1939.DVM
    share/vx42-configurator/GaugePresets.CFG
    share/vx42-configurator/Demo.DVF
    "share/vx42-configurator/Instructions/M771020455 VX42-002 Instructions v1.1.pdf"
    share/applications/example.kestrane.VX42.desktop
    share/applications/example.kestrane.VX42RelayControl.desktop
    share/icons/hicolor/scalable/apps/example.kestrane.VX42.svg
    share/icons/hicolor/48x48/apps/example.kestrane.VX42.png
    share/icons/hicolor/256x256/apps/example.kestrane.VX42.png
    share/metainfo/example.kestrane.VX42.metainfo.xml
    share/man/man1/vx42ctl.1.gz share/man/man1/VX42.1.gz share/man/man1/VX42RelayControl.1.gz
    share/bash-completion/completions/vx42ctl
    lib/udev/rules.d/60-vx42-bridge.rules
    share/doc/vx42-configurator/copyright
)
for f in "${expected[@]}"; do
    [ -e "$root/$f" ] || fail "the package lacks /usr/$f"
done
[ -d "$share/Firmware" ] || fail "the package lacks the Firmware folder"

# The manual carries the window's screenshots (each an image object of the PDF).
images=$(grep -ac '/Subtype /Image' "$share/Instructions/M771020455 VX42-002 Instructions v1.1.pdf" || true)
[ "$images" -ge 5 ] || fail "the manual holds $images pictures, expected the screenshots"

# The udev rule grants the logged-in user the bridge.
grep -q 'ATTR{idVendor}=="0403", ATTR{idProduct}=="6001", TAG+="uaccess"' \
    "$root/lib/udev/rules.d/60-vx42-bridge.rules" || fail "the udev rule lacks the bridge's ids"

# The unpacked vx42ctl finds its shipped data beside it and reads the shipped library.
version=$("$root/bin/vx42ctl" --version)
[[ $version == *"$(dpkg-deb -f "$deb" Version)"* ]] || fail "vx42ctl --version says '$version'"
"$root/bin/vx42ctl" library show "$share/Libraries/SAE_J1939.DVM" >"$work/library.json"
grep -q '"Engine Speed' "$work/library.json" || fail "vx42ctl library show did not list the library"
dpkg-deb -f "$deb" Depends | grep -q 'libftdi1' || fail "Depends lacks the libraries the programs use"

desktop-file-validate "$root"/share/applications/*.desktop || fail "desktop entries do not validate"
appstreamcli validate --no-net "$root/share/metainfo/example.kestrane.VX42.metainfo.xml" ||
    fail "the metainfo does not validate"

status=0
lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1 || status=$?
grep -v 'running with root privileges' "$work/lintian.log" || true
[ "$status" -eq 0 ] || fail "lintian reports errors"
echo "package $(basename "$deb") is complete"
