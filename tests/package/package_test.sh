#!/usr/bin/env bash
# The packages as a user gets them: the .deb built with CPack, unpacked into a scratch root,
# its files listed, its vx42ctl run from there on the shipped library, its desktop entries,
# file types and metainfo validated, its programs hardened with their debug symbols in the
# -dbgsym package, lintian finding no error, warning or hardening tag; the .tar.gz with its
# README, its desktop entries set up from where it is unpacked.
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
    share/doc/vx42-configurator/copyright share/doc/vx42-configurator/changelog.gz
    share/mime/packages/vx42-configurator.xml
)
for type in calibration message-library gauge-presets firmware bootloader; do
    expected+=("share/icons/hicolor/scalable/mimetypes/application-x-vx42-$type.svg")
done
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
entry="$root/share/applications/example.kestrane.VX42.desktop"
grep -qx 'Exec=VX42 %f' "$entry" || fail "the window's entry does not pass the file"
grep -qx 'MimeType=application/x-vx42-calibration;' "$entry" || fail "the entry names no file type"
grep -qx 'Name=Simulated Module' "$entry" || fail "the entry has no simulated-module action"
grep -qx 'Exec=VX42RelayControl %f' "$root/share/applications/example.kestrane.VX42RelayControl.desktop" ||
    fail "the relay entry does not pass the file"
dpkg-deb -f "$deb" Recommends | grep -qw 'xdg-utils' || fail "Recommends lacks xdg-utils"

# The file types, as the desktop's database reads them: by extension, and the presets by
# their content as well.
mkdir -p "$work/mime/packages"
cp /usr/share/mime/packages/freedesktop.org.xml "$root/share/mime/packages/vx42-configurator.xml" \
    "$work/mime/packages/"
XDG_DATA_HOME="$work" update-mime-database "$work/mime" 2>"$work/mime.log" || { cat "$work/mime.log" >&2; fail "the file types do not read"; }
[ -s "$work/mime.log" ] && { cat "$work/mime.log" >&2; fail "update-mime-database complains"; }
for glob in "x-vx42-calibration:\*.dvf" "x-vx42-message-library:\*.dvm" \
        "x-vx42-gauge-presets:GaugePresets.CFG" "x-vx42-firmware:\*.rm2" "x-vx42-bootloader:\*.blu"; do
    grep -q ":application/$glob" "$work/mime/globs2" || fail "no glob application/$glob"
done
grep -aq 'application/x-vx42-gauge-presets' "$work/mime/magic" || fail "the presets have no content rule"

# The release notes: the changelog and the metainfo from NEWS, the newest release first.
zcat "$root/share/doc/vx42-configurator/changelog.gz" | head -1 |
    grep -q "^vx42-configurator ($(dpkg-deb -f "$deb" Version)) " || fail "the changelog does not start with this version"
grep -q "<release version=\"$(dpkg-deb -f "$deb" Version)\"" "$root/share/metainfo/example.kestrane.VX42.metainfo.xml" ||
    fail "the metainfo has no release notes for this version"
# Its screenshots are pictures the screenshot driver takes (the manual's run keeps them).
shots=$(grep -o 'screenshots/[^<]*\.png' "$root/share/metainfo/example.kestrane.VX42.metainfo.xml" | sed 's|.*/||')
[ -n "$shots" ] || fail "the metainfo shows no screenshots"
if [ -d "$build/manual/screenshots" ]; then
    for shot in $shots; do
        [ -f "$build/manual/screenshots/$shot" ] || fail "the screenshot driver takes no $shot"
    done
fi
appstreamcli validate --no-net "$root/share/metainfo/example.kestrane.VX42.metainfo.xml" ||
    fail "the metainfo does not validate"

# Hardened programs, their symbols kept in the -dbgsym package under their build ids.
# Control-flow protection is not asked for: it needs a C library and start files built for it,
# which Debian 12 does not ship (its own programs lack it too).
hardening-check --nocfprotection "$root/bin/VX42" "$root/bin/vx42ctl" >"$work/hardening.log" 2>&1 ||
    { cat "$work/hardening.log" >&2; fail "hardening-check finds the programs unprotected"; }
ddeb=$(ls "$work"/out/vx42-configurator-dbgsym_*_*.ddeb 2>/dev/null | head -1)
[ -n "$ddeb" ] || fail "no vx42-configurator-dbgsym package was made"
dpkg-deb -x "$ddeb" "$work/dbgsym"
for program in VX42 vx42ctl; do
    id=$(readelf -n "$root/bin/$program" | awk '/Build ID/ { print $3 }')
    [ -n "$id" ] || fail "$program has no build id"
    debug="$work/dbgsym/usr/lib/debug/.build-id/${id:0:2}/${id:2}.debug"
    [ -f "$debug" ] || fail "the debug symbols of $program are not in the -dbgsym package"
    readelf -S "$debug" 2>/dev/null | grep -q '\.debug_info' || fail "$debug holds no debug information"
    readelf -S "$root/bin/$program" | grep -q '\.debug_info' && fail "$program is not stripped"
done

status=0
# Its temporary files (the manual pages' checks leave some behind) go to the work folder.
TMPDIR="$work" lintian -I --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 || status=$?
grep -v 'running with root privileges' "$work/lintian.log" || true
[ "$status" -eq 0 ] || fail "lintian reports errors or warnings"
grep -q 'hardening' "$work/lintian.log" && fail "lintian finds hardening missing"

# The .tar.gz: a README at its top, and menu entries that run the programs from where it was
# unpacked (made for one user by its setup-desktop.sh).
(cd "$build" && cpack -G TGZ -B "$work/tgz" >"$work/cpack-tgz.log" 2>&1) ||
    { cat "$work/cpack-tgz.log" >&2; fail "cpack could not build the .tar.gz"; }
tarball=$(ls "$work"/tgz/vx42-configurator-*.tar.gz | head -1)
mkdir -p "$work/unpacked/some where"
tar -xzf "$tarball" -C "$work/unpacked/some where"
top=$(ls -d "$work/unpacked/some where"/*/)
top=${top%/}
[ -f "$top/README" ] || fail "the .tar.gz has no README at its top"
grep -q 'bin/VX42 --simulator' "$top/README" || fail "the README does not say how to run it"
HOME="$work/home" XDG_DATA_HOME="$work/home/data" "$top/setup-desktop.sh" >/dev/null ||
    fail "setup-desktop.sh failed"
for id in example.kestrane.VX42 example.kestrane.VX42RelayControl; do
    made="$work/home/data/applications/$id.desktop"
    desktop-file-validate "$made" || fail "the entry $id made from the .tar.gz does not validate"
    program=$(sed -n 's/^Exec="\([^"]*\)".*/\1/p' "$made" | head -1)
    [ "$program" = "$top/bin/${id#example.kestrane.}" ] || fail "$id runs '$program'"
    "$program" --version >/dev/null || fail "$program does not run"
done
[ -f "$work/home/data/mime/packages/vx42-configurator.xml" ] || fail "setup-desktop.sh adds no file types"
HOME="$work/home" XDG_DATA_HOME="$work/home/data" "$top/setup-desktop.sh" --remove >/dev/null
ls "$work/home/data/applications"/*.desktop >/dev/null 2>&1 && fail "setup-desktop.sh --remove leaves entries"

echo "package $(basename "$deb") and $(basename "$tarball") are complete"
