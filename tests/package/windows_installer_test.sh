#!/usr/bin/env bash
# The Windows installer as a user gets it, under Wine in a fresh prefix of its own: installed
# silently per machine, its programs run from Program Files (reading the shipped data there,
# writing the user's library to the user's application-data folder), its file types, Start menu
# entries and uninstall entry in place, then uninstalled silently leaving none of them. A build
# with the windows packs them, and its package is the one tested. A build without them is
# followed by the same for a package made with the windows: stand-ins of VX42.exe and
# VX42RelayControl.exe built here on a stand-in Qt DLL that needs MinGW's C++ runtime DLLs, and
# a stand-in plugin.
#
# Where Xvfb and xdotool are, the installed window of the real package is used as an installer
# uses it, on the simulated module and through the driver library (windows_window_run.sh).
#
# Wine puts a per-machine Start menu entry in the user's own Start menu: either place counts.
#
# windows_installer_test.sh BUILD_FOLDER MSI VERSION [MANUAL]
set -euo pipefail
build=$(cd "$1" && pwd)
msi=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
version=$3
manual=${4:-}
source=$(cd "$(dirname "$0")/../.." && pwd)
work=$build/installer-test
prefix=$work/wine

fail() { echo "FAIL: $*" >&2; exit 1; }
wine() { bash "$source/scripts/wine-run.sh" "$prefix" "$@"; }
[ ! -d "$prefix" ] || wine --stop
rm -rf "$work"
mkdir -p "$work/home"
trap 'wine --stop' EXIT
# The window, where the build has it and it can be shown, on an X display of this test's own:
# keys typed into it reach no window of another test.
sessions=""
if [ -f "$build/bin/VX42.exe" ] && command -v Xvfb >/dev/null && command -v xdotool >/dev/null; then
  source "$source/tests/package/windows_window_run.sh"
  window_display
  sessions=1
fi
# Wine's own files for the host's desktop would land in this home: none may.
export HOME=$work/home
cd "$work"
windows_path() { local p=${1//\//\\}; echo "Z:$p"; }
wine --fresh

drive=$prefix/drive_c
installed="$drive/Program Files/VX42 Configurator"
installed_win='C:\Program Files\VX42 Configurator'
classes='HKLM\Software\Classes'

start_menu() {  # the folder of the product's Start menu entries, wherever Wine put it
  local f
  for f in "$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/VX42 Configurator" \
           "$drive"/users/*/AppData/Roaming/Microsoft/Windows/"Start Menu"/Programs/"VX42 Configurator"; do
    if [ -d "$f" ]; then echo "$f"; return; fi
  done
}
query() { wine reg query "$@" 2>/dev/null | tr -d '\r'; }
default_of() {  # a key's default value, empty when it has none
  query "$1" /ve | sed -n 's/^ *(Default) *REG_[A-Z_]* *//p' || true
}

install() {  # MSI
  wine msiexec /i "$(windows_path "$1")" /qn /l "$(windows_path "$work/install.log")" ||
    { iconv -f UTF-16LE "$work/install.log" 2>/dev/null | tail -30 >&2; fail "msiexec /i failed"; }
  # Whatever the install started (Wine's menu builder would be one) has finished.
  wine --settle
  [ -z "$(find "$HOME" -name '*.desktop' -o -name '*.menu')" ] ||
    fail "Wine put desktop entries on the host: $(find "$HOME" -name '*.desktop' -o -name '*.menu')"
}

# Checks of an installed package: with WINDOW=1 it holds the windows.
check_installed() {  # MSI WINDOW
  local package=$1 window=$2 name
  # Every file of the package is in place, the driver stand-in is not.
  while IFS=$'\t' read -r _ _ name _; do
    name=${name#*|}
    [ -n "$(find "$installed" -name "$name" -print -quit)" ] || fail "$name was not installed"
  done < <(msiinfo export "$package" File | tail -n +4)
  for name in vx42ctl.exe Libraries/SAE_J1939.DVM GaugePresets.CFG Demo.DVF vx42.ico \
              vx42-configurator.installed Firmware Instructions ${manual:+"Instructions/$(basename "$manual")"}; do
    [ -e "$installed/$name" ] || fail "the package lacks $name"
  done
  [ -z "$(find "$installed" -iname ftd2xx.dll)" ] || fail "the driver stand-in was installed"

  local out
  out=$(wine "$installed_win\\vx42ctl.exe" --version) || fail "the installed vx42ctl.exe does not run"
  [[ $out == "vx42ctl $version"* ]] || fail "vx42ctl.exe --version says '$out'"
  if [ "$window" = 1 ]; then
    out=$(wine "$installed_win\\VX42.exe" --version) || fail "the installed VX42.exe does not run"
    [[ $out == "VX42 Version $version"* ]] || fail "VX42.exe --version says '$out'"
    for name in Qt6Core.dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll platforms/qwindows.dll; do
      [ -f "$installed/$name" ] || fail "the package with the windows lacks $name"
    done
  fi

  # The installed copy reads the shipped data beside it (the demonstration calibration), and
  # what it writes goes to the user's application-data folder, never into Program Files.
  local before after library
  before=$(cd "$installed" && find . | sort)
  out=$(wine "$installed_win\\vx42ctl.exe" demo 2>&1) || { echo "$out" >&2; fail "vx42ctl demo failed"; }
  grep -q '^Calibration of module' <<<"$out" || fail "vx42ctl demo described nothing: $out"
  find "$drive/users" -path '*/AppData/Local/*/Libraries/User_Defined.DVM' -delete
  wine "$installed_win\\vx42ctl.exe" library import-dbc \
    "$(windows_path "$source/tests/can/data/dbc/test.dbc")" --user >"$work/import.txt" 2>&1 ||
    { cat "$work/import.txt" >&2; fail "the DBC import into the user's library failed"; }
  after=$(cd "$installed" && find . | sort)
  [ "$before" = "$after" ] || fail "the tool wrote into Program Files: $(diff <(echo "$before") <(echo "$after") | grep '^>')"
  library=$(find "$drive/users" -path '*/AppData/Local/*/Libraries/User_Defined.DVM' | head -1)
  [ -n "$library" ] || fail "the user's library is not in the user's AppData\\Local"

  # The file types: a calibration with its name and icon, opening in VX42 when it is there.
  [ "$(default_of "HKCR\\.DVF")" = Kestrane.VX42.Calibration ] || fail ".DVF is not a VX42 calibration"
  [ "$(default_of "HKCR\\Kestrane.VX42.Calibration")" = "VX42 calibration" ] || fail "the calibration type has no name"
  [ "$(default_of "HKCR\\Kestrane.VX42.Calibration\\DefaultIcon")" = "$installed_win\\vx42.ico" ] ||
    fail "the calibration type has not the product's icon"
  local open
  open=$(default_of "HKCR\\Kestrane.VX42.Calibration\\shell\\open\\command")
  if [ "$window" = 1 ]; then
    [ "$open" = "\"$installed_win\\VX42.exe\" \"%1\"" ] || fail "a calibration opens with '$open'"
    out=$(query "$classes\\Applications\\VX42RelayControl.exe\\SupportedTypes")
    grep -q '\.DVF' <<<"$out" || fail "VX42 Relay Control is not offered calibrations"
  else
    [ -z "$open" ] || fail "a calibration opens with '$open' in a package without the window"
  fi
  local type
  for type in DVM:MessageLibrary CFG:GaugePresets ROM:Firmware RM2:Firmware BLU:Bootloader; do
    out=$(query "$classes\\.${type%%:*}\\OpenWithProgids")
    grep -q "Kestrane.VX42.${type#*:}" <<<"$out" ||
      fail ".${type%%:*} is not offered the type Kestrane.VX42.${type#*:}"
  done

  # The uninstall entry, with the product's icon published.
  local entry
  entry=$(query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s |
          awk '/^HKEY/ { key = $0 } /DisplayName +REG_SZ +VX42 Configurator$/ { print key }')
  [ -n "$entry" ] || fail "no uninstall entry names VX42 Configurator"
  out=$(query "$entry")
  grep -q 'Publisher *REG_SZ *Kestrane' <<<"$out" || fail "the uninstall entry names no publisher"
  grep -q "DisplayVersion *REG_SZ *$version" <<<"$out" || fail "the uninstall entry has not version $version"
  grep -qi 'UninstallString.*MsiExec.exe /X{' <<<"$out" || fail "the uninstall entry cannot uninstall"
  out=$(query 'HKLM\Software\Classes\Installer\Products' /s)
  grep -q 'ProductIcon.*\\vx42.ico' <<<"$out" || fail "the product's icon is not published"
  [ -n "$(find "$drive/windows/Installer" -name vx42.ico)" ] || fail "the product's icon is not installed"

  # The Start menu entries.
  local menu expected=("VX42 Command Line")
  [ -z "$manual" ] || expected+=("VX42 Installation Manual")
  [ "$window" = 0 ] ||
    expected+=("VX42" "VX42 Simulated Module" "VX42 Relay Control" "VX42 Relay Control Simulated Module")
  menu=$(start_menu)
  [ -n "$menu" ] || fail "no Start menu folder VX42 Configurator"
  for name in "${expected[@]}"; do
    [ -f "$menu/$name.lnk" ] || fail "the Start menu lacks '$name'"
  done
  [ "$(find "$menu" -name '*.lnk' | wc -l)" = ${#expected[@]} ] || fail "the Start menu has other entries: $(ls "$menu")"
  # The command-line entry's prompt finds vx42ctl: the entry's command as cmd runs it.
  out=$(strings -el "$menu/VX42 Command Line.lnk" | sed -n 's|.*/k "\(.*\)"$|\1|p')
  [[ $out == *"vx42ctl.exe --help" ]] || fail "the command-line entry runs '$out'"
  printf '@%s\r\n' "${out%--help}--version" >"$work/command-line.bat"
  out=$(wine cmd /c "$(windows_path "$work/command-line.bat")" 2>&1) || true
  [[ $out == *"vx42ctl $version"* ]] || fail "the command-line entry's prompt does not find vx42ctl: $out"
  if [ "$window" = 1 ]; then
    out=$(strings -el "$menu/VX42 Simulated Module.lnk")
    grep -qx -- --simulator <<<"$out" || fail "the simulated module's entry does not start the simulator"
  fi
}

check_uninstalled() {
  [ ! -e "$installed" ] || fail "Program Files\\VX42 Configurator is left: $(cd "$installed" && find .)"
  [ -z "$(start_menu)" ] || fail "the Start menu entries are left"
  local key
  for key in "HKCR\\.DVF" "HKCR\\Kestrane.VX42.Calibration" "HKCR\\.DVM" "$classes\\Applications\\VX42.exe"; do
    ! query "$key" >/dev/null || fail "$key is left"
  done
  local out
  out=$(query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s || true)
  ! grep -q 'VX42 Configurator' <<<"$out" || fail "the uninstall entry is left"
  # The user's own library is the user's: it stays.
  [ -n "$(find "$drive/users" -path '*/AppData/Local/*/Libraries/User_Defined.DVM')" ] ||
    fail "the uninstall took the user's library"
}

cycle() {  # MSI WINDOW [SESSIONS]
  install "$1"
  check_installed "$1" "$2"
  [ -z "${3:-}" ] || window_sessions
  wine msiexec /x "$(windows_path "$1")" /qn || fail "msiexec /x failed"
  wine --settle
  check_uninstalled
}

# A build with the windows packs them: its package is the one with the windows.
# A failed run leaves its prefix to be looked into; a passing one leaves nothing (it is large).
passed() {
  echo "windows_installer: $(basename "$msi") installed, used and uninstalled, $1"
  wine --stop
  cd "$build"
  rm -rf "$work"
  exit 0
}
# Its window is used as an installer uses it where there is a display to show it on.
if [ -n "$sessions" ]; then
  cycle "$msi" 1 sessions
  passed "with the windows, each connected, edited and saved on both ways to a module"
elif [ -f "$build/bin/VX42.exe" ]; then
  cycle "$msi" 1
  passed "with the windows (no Xvfb or xdotool here to use them with)"
fi
cycle "$msi" 0

# The package with the windows, from a program folder holding stand-ins of them beside the
# build's own files, and their Qt in a folder of its own as where Qt is installed.
bin=$work/window-bin
qt=$work/qt
mkdir -p "$bin" "$qt/bin" "$qt/plugins/platforms"
ln -s "$build/bin/vx42ctl.exe" "$build/bin/Demo.DVF" "$build/bin/Libraries" "$bin/"
cat >"$work/qtcore.cpp" <<'EOF'
#include <string>
extern "C" __declspec(dllexport) const char* WindowVersion(const char* number) {
    static std::string text;
    text = std::string("VX42 Version ") + number;
    return text.c_str();
}
EOF
cat >"$work/window.cpp" <<EOF
#include <cstdio>
#include <cstring>
extern "C" __declspec(dllimport) const char* WindowVersion(const char* number);
int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) std::puts(WindowVersion("$version"));
    return 0;
}
EOF
echo 'extern "C" __declspec(dllexport) int qt_plugin_stand_in() { return 1; }' >"$work/plugin.cpp"
"$CXX" -shared -o "$qt/bin/Qt6Core.dll" "$work/qtcore.cpp"
"$CXX" -o "$bin/VX42.exe" "$work/window.cpp" "$qt/bin/Qt6Core.dll"
cp "$bin/VX42.exe" "$bin/VX42RelayControl.exe"
"$CXX" -shared -static-libgcc -o "$qt/plugins/platforms/qwindows.dll" "$work/plugin.cpp"
DLL_DIRS=$qt/bin QT_PLUGINS=$qt/plugins \
  bash "$source/packaging/windows/stage-files.sh" "$bin" "$work/stage" "$build/vx42.ico" "$manual" >/dev/null
bash "$source/packaging/windows/make-msi.sh" "$work/stage" "$version" "$work/window.msi"
cycle "$work/window.msi" 1

passed "with and without the windows (stand-ins of them)"
