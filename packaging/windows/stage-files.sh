#!/usr/bin/env bash
# stage-files.sh BIN STAGE ICON [MANUAL]: lays out in STAGE the folder the Windows installer
# puts in Program Files, from the cross build's program folder BIN:
#   vx42ctl.exe, and the windows VX42.exe and VX42RelayControl.exe when they were built;
#   every DLL those import that lies in BIN or in a folder of DLL_DIRS (Qt's, ":" between
#   folders) or comes with the compiler (MinGW's C++ runtime, when a program or DLL is not
#   linked with it statically), and theirs in turn;
#   Qt's plugin folders the windows need, from the folder QT_PLUGINS or else from BIN;
#   the shipped data (Libraries\ with the message libraries built from data/libraries,
#   GaugePresets.CFG, Demo.DVF, Firmware\, Instructions\ with the manual MANUAL if given);
#   the icon, the licence and the installed marker, which tells the programs that what they
#   write belongs in the user's application-data folder and not beside them.
# The driver stand-in ftd2xx.dll stays out: it is a test double of the vendor's driver, which
# comes with the cable.
set -euo pipefail
bin=$1
stage=$2
icon=$3
manual=${4:-}
source=$(cd "$(dirname "$0")/../.." && pwd)
objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump}
cxx=${CXX:-x86_64-w64-mingw32-g++-posix}

fail() { echo "stage-files: $*" >&2; exit 1; }
[ -f "$bin/vx42ctl.exe" ] || fail "$bin/vx42ctl.exe has not been built"
rm -rf "$stage"
mkdir -p "$stage"

for exe in vx42ctl.exe VX42.exe VX42RelayControl.exe; do
  if [ -f "$bin/$exe" ]; then cp "$bin/$exe" "$stage/"; fi
done
# Qt loads its plugins from these folders beside the programs at run time; no program
# imports them.
if [ -f "$stage/VX42.exe" ]; then
  for plugins in platforms styles imageformats iconengines; do
    from=${QT_PLUGINS:-$bin}/$plugins
    if [ -d "$from" ]; then cp -r "$from" "$stage/"; fi
  done
fi
IFS=: read -r -a dll_dirs <<<"${DLL_DIRS:-}"

# The DLLs imported, followed until every one is staged or is the system's (a DLL found
# neither in BIN nor among the compiler's files).
imports() { "$objdump" -p "$1" | awk '/DLL Name:/ { print $3 }'; }
staged=()
mapfile -t queue < <(find "$stage" -type f \( -iname '*.exe' -o -iname '*.dll' \))
while [ ${#queue[@]} -gt 0 ]; do
  file=${queue[0]}
  queue=("${queue[@]:1}")
  while read -r dll; do
    [ -e "$stage/$dll" ] && continue
    found=$(find "$bin" "${dll_dirs[@]}" -maxdepth 1 -type f -iname "$dll" ! -iname ftd2xx.dll |
            head -1)
    if [ -z "$found" ]; then
      found=$("$cxx" -print-file-name="$dll")  # the name alone when it has none
      [[ $found == /* && -f $found ]] || continue
    fi
    cp "$found" "$stage/$dll"
    staged+=("$dll")
    queue+=("$stage/$dll")
  done < <(imports "$file")
done
[ ${#staged[@]} -eq 0 ] || echo "stage-files: DLLs beside the programs: ${staged[*]}"

# The shipped data, as the Linux package has it in its data folder.
mkdir -p "$stage/Libraries" "$stage/Firmware" "$stage/Instructions"
for json in "$source"/data/libraries/*.json; do
  library="$bin/Libraries/$(basename "$json" .json).DVM"
  [ -f "$library" ] || fail "$library has not been built"
  cp "$library" "$stage/Libraries/"
done
[ -f "$bin/Demo.DVF" ] || fail "$bin/Demo.DVF has not been built"
cp "$source/data/GaugePresets.CFG" "$bin/Demo.DVF" "$stage/"
if [ -n "$manual" ]; then
  [ -f "$manual" ] || fail "the manual $manual is missing"
  cp "$manual" "$stage/Instructions/"
fi

cp "$icon" "$stage/vx42.ico"
cp "$source/packaging/copyright" "$stage/Copyright.txt"
cat >"$stage/vx42-configurator.installed" <<'EOF'
Installed by the VX42 Configurator installer. The programs read the shipped data in this
folder; the user's libraries, restore points and error logs go to the user's local
application-data folder.
EOF
