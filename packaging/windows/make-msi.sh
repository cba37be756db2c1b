#!/usr/bin/env bash
# make-msi.sh STAGE VERSION OUT.msi: the Windows installer of the folder STAGE (as
# stage-files.sh lays it out), written as a WiX source beside OUT and built with wixl.
#
# A Windows Installer package rather than a self-extracting installer script: it installs per
# machine, installs and uninstalls silently with msiexec (/qn) for scripted roll-outs, and its
# own tables carry the file types, the Start menu entries and the uninstall entry of Add or
# Remove Programs, which Windows Installer then removes whole on uninstall.
#
# What is registered follows what STAGE holds: the windows' Start menu entries (each mode and
# each on the simulated module) and the calibration file opening in VX42 only when VX42.exe
# and VX42RelayControl.exe are there, a Start menu entry for the manual when it is there.
set -euo pipefail
stage=$(cd "$1" && pwd)
version=$2
mkdir -p "$(dirname "$3")"
out=$(cd "$(dirname "$3")" && pwd)/$(basename "$3")
wxs=${out%.msi}.wxs
wixl=${WIXL:-wixl}

# The same for every version: later packages replace earlier ones.
upgrade_code=26E7E50B-289C-428B-880C-4A29741D4BB4
product="VX42 Configurator"
maker=Kestrane
classes='Software\Classes'

shopt -u patsub_replacement 2>/dev/null || true  # "&" below is itself, not the match
xml() {
  local s=$1
  s=${s//&/&amp;}
  s=${s//</&lt;}
  s=${s//>/&gt;}
  s=${s//\"/&quot;}
  printf '%s' "$s"
}
# A component's GUID made from what it installs, the same in every build (as component
# GUIDs must be while a component keeps its contents).
guid() {
  local h
  h=$(printf '%s|%s' "$product" "$1" | md5sum | tr a-f A-F)
  echo "${h:0:8}-${h:8:4}-3${h:13:3}-8${h:17:3}-${h:20:12}"
}
components=()
component() {  # ID WHAT: opens a component
  components+=("$1")
  echo "<Component Id=\"$1\" Guid=\"$(guid "$2")\" Win64=\"yes\">"
}

# The installed folder, one component per file (each file its key path); an empty folder is
# created by a component of its own.
serial=0
folder() {  # RELATIVE-FOLDER
  local rel=$1 path=$stage${1:+/$1} entry name id empty=1
  for entry in "$path"/*; do
    [ -e "$entry" ] || continue
    empty=0
    name=$(basename "$entry")
    serial=$((serial + 1))
    id=$serial
    if [ -d "$entry" ]; then
      echo "<Directory Id=\"dir$id\" Name=\"$(xml "$name")\">"
      folder "${rel:+$rel/}$name"
      echo "</Directory>"
    else
      component "file$id" "file ${rel:+$rel/}$name"
      echo "  <File Id=\"file$id\" Source=\"$(xml "${rel:+$rel/}$name")\" Name=\"$(xml "$name")\" KeyPath=\"yes\"/>"
      echo "</Component>"
    fi
  done
  if [ "$empty" = 1 ]; then
    serial=$((serial + 1))
    component "folder$serial" "folder $rel"
    echo "  <CreateFolder/>"
    echo "</Component>"
  fi
}

value() {  # KEY NAME VALUE [KeyPath]: a string under HKLM
  local name=""
  [ -z "$2" ] || name=" Name=\"$(xml "$2")\""
  echo "  <RegistryValue Root=\"HKLM\" Key=\"$(xml "$1")\"$name Type=\"string\" Value=\"$(xml "$3")\"${4:+ KeyPath=\"yes\"}/>"
}

window=0
[ -f "$stage/VX42.exe" ] && window=1
relay=0
[ -f "$stage/VX42RelayControl.exe" ] && relay=1
manual=$(find "$stage/Instructions" -maxdepth 1 -iname '*.pdf' -printf '%f\n' 2>/dev/null | head -1)

# The file types of the Linux package, named and with the icon. A calibration opens in VX42
# and is offered to VX42 Relay Control; the window opens calibrations alone, so the others
# open in nothing of the tool's. The tool's own extensions are claimed; .ROM and .CFG name
# many other kinds of file and are only offered the tool's type.
file_types() {
  component filetypes "file types"
  local entry ext progid text own named=""
  for entry in "DVF|Calibration|VX42 calibration|1" "DVM|MessageLibrary|VX42 CAN message library|1" \
               "CFG|GaugePresets|VX42 gauge presets|0" "ROM|Firmware|VX42 firmware|0" \
               "RM2|Firmware|VX42 firmware|1" "BLU|Bootloader|VX42 bootloader upgrade|1"; do
    IFS='|' read -r ext progid text own <<<"$entry"
    progid=$maker.VX42.$progid
    local key=""
    [ "$ext" = DVF ] && key=KeyPath
    if [ "$own" = 1 ]; then value "$classes\\.$ext" "" "$progid" $key; fi
    value "$classes\\.$ext\\OpenWithProgids" "$progid" ""
    [[ $named == *"|$progid|"* ]] && continue
    named+="|$progid|"
    value "$classes\\$progid" "" "$text"
    value "$classes\\$progid\\DefaultIcon" "" "[INSTALLDIR]vx42.ico"
  done
  value "$classes\\.DVF" "Content Type" "application/x-vx42-calibration"
  # The installed folder itself goes on uninstall (Windows removes it once empty; Wine only
  # a folder that a component creates).
  echo "  <CreateFolder/>"
  if [ "$window" = 1 ]; then
    value "$classes\\$maker.VX42.Calibration\\shell\\open\\command" "" "\"[INSTALLDIR]VX42.exe\" \"%1\""
  fi
  local exe name
  for exe in VX42 VX42RelayControl; do
    [ -f "$stage/$exe.exe" ] || continue
    name="VX42"
    [ "$exe" = VX42 ] || name="VX42 Relay Control"
    value "$classes\\Applications\\$exe.exe" FriendlyAppName "$name"
    value "$classes\\Applications\\$exe.exe\\SupportedTypes" .DVF ""
    value "$classes\\Applications\\$exe.exe\\shell\\open\\command" "" "\"[INSTALLDIR]$exe.exe\" \"%1\""
  done
  echo "</Component>"
}

shortcut() {  # NAME TARGET ARGUMENTS DESCRIPTION
  serial=$((serial + 1))
  echo "  <Shortcut Id=\"shortcut$serial\" Name=\"$(xml "$1")\" Target=\"$(xml "$2")\"${3:+ Arguments=\"$(xml "$3")\"} Description=\"$(xml "$4")\" WorkingDirectory=\"PersonalFolder\" Icon=\"vx42.ico\"/>"
}
start_menu() {
  component startmenu "start menu"
  if [ "$window" = 1 ]; then
    shortcut "VX42" "[INSTALLDIR]VX42.exe" "" "Configure a VX42 interface module"
    shortcut "VX42 Simulated Module" "[INSTALLDIR]VX42.exe" "--simulator" "VX42 on the built-in module simulator"
  fi
  if [ "$relay" = 1 ]; then
    shortcut "VX42 Relay Control" "[INSTALLDIR]VX42RelayControl.exe" "" "Configure a VX42 module's outputs as relays"
    shortcut "VX42 Relay Control Simulated Module" "[INSTALLDIR]VX42RelayControl.exe" "--simulator" "VX42 Relay Control on the built-in module simulator"
  fi
  # The scripting tool in a command prompt that finds it, its commands listed.
  shortcut "VX42 Command Line" "[System64Folder]cmd.exe" \
    "/k \"set \"PATH=[INSTALLDIR];%PATH%\" & vx42ctl.exe --help\"" "The scripting tool vx42ctl in a command prompt"
  if [ -n "$manual" ]; then
    shortcut "VX42 Installation Manual" "[INSTALLDIR]Instructions\\$manual" "" "The installation manual"
  fi
  echo "  <RemoveFolder Id=\"menuremove\" On=\"uninstall\"/>"
  value "Software\\$maker\\$product" StartMenu "1" KeyPath
  echo "</Component>"
}

{
  cat <<EOF
<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
<Product Id="*" Name="$product" Version="$version" Manufacturer="$maker" Language="1033"
         UpgradeCode="$upgrade_code">
<Package InstallerVersion="500" Compressed="yes" InstallScope="perMachine"
         Description="$product $version" Comments="Configuration tool for the VX42 gauge and relay interface module"/>
<Media Id="1" Cabinet="vx42.cab" EmbedCab="yes"/>
<MajorUpgrade DowngradeErrorMessage="A newer $product is already installed."/>
<Icon Id="vx42.ico" SourceFile="vx42.ico"/>
<Property Id="ARPPRODUCTICON" Value="vx42.ico"/>
<Property Id="ARPURLINFOABOUT" Value="https://www.kestrane.example/vx42"/>
<Property Id="ARPCONTACT" Value="support@kestrane.example"/>
<Property Id="ARPNOMODIFY" Value="1"/>
<Directory Id="TARGETDIR" Name="SourceDir">
<Directory Id="ProgramFiles64Folder">
<Directory Id="INSTALLDIR" Name="$product">
EOF
  folder ""
  file_types
  cat <<EOF
</Directory>
</Directory>
<Directory Id="ProgramMenuFolder">
<Directory Id="MenuFolder" Name="$product">
EOF
  start_menu
  cat <<EOF
</Directory>
</Directory>
<Directory Id="PersonalFolder"/>
</Directory>
<Feature Id="Complete" Title="$product" Level="1">
EOF
  for c in "${components[@]}"; do echo "<ComponentRef Id=\"$c\"/>"; done
  cat <<EOF
</Feature>
</Product>
</Wix>
EOF
} >"$wxs"

# wixl takes the files' sources as paths relative to where it runs.
(cd "$stage" && "$wixl" -a x64 -o "$out" "$wxs")
