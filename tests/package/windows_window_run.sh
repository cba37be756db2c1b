# The installed window as an installer uses it, driven by the keyboard on an X display under
# Wine: started from Program Files, Communications > Connect retrieves the module's calibration,
# output 1 is switched to Relay Control (written to the module at once), File > Save As saves it
# under the name typed into Windows' own file dialog, in the folder it opens on (Documents\VX42\
# Calibrations), and File > Exit ends the program. Then the module's memory is read back: the
# calibration in it is the saved file, the file is the demonstration calibration with that one
# change, and of all the module's memory only that byte and the staging registers that carried
# it have changed.
#
# Sourced by windows_installer_test.sh, whose wine, fail, windows_path and folders it uses.
# Needs Xvfb and xdotool.

x() { DISPLAY=$VX42_WINE_DISPLAY xdotool "$@"; }

source "$source/scripts/own-display.sh"

# An Xvfb laptop screen of the test's own, for Wine's windows and the keys, gone when the test
# ends.
window_display() {
  own_display "$work/display" || fail "no X display for the window"
  trap "wine --stop; kill $own_display_pid 2>/dev/null" EXIT
}

# The window whose title holds TEXT, waited for up to SECONDS (60).
window_titled() {  # TEXT [SECONDS]
  local id
  for _ in $(seq $((${2:-60} * 5))); do
    id=$(x search --onlyvisible --name "$1" 2>/dev/null | head -1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.2
  done
  return 1
}

# STEP run until a window titled TEXT shows within 10 s, at most three times, NOTE said before
# each further time. The window's id, or failure.
until_titled() {  # TEXT NOTE STEP
  local try
  for try in 1 2 3; do
    [ "$try" = 1 ] || echo "windows-window: $2" >&2
    "$3"
    window_titled "$1" 10 && return 0
  done
  return 1
}

keys() {  # WINDOW KEY...: keys typed into the window, which has the keyboard
  local w=$1
  shift
  x windowfocus --sync "$w"
  x key --delay 150 "$@"
}

# The module's memory in a simulator's state file: the magic, then per module its 8-byte serial
# and memory. The addresses of module 1 whose bytes differ between two states, in hex, but for
# the staging registers and buffer (0x3A00 on) that carry a change in.
changed_addresses() {  # BEFORE AFTER
  { cmp -l "$1" "$2" || true; } | awk -v magic=8 '{ printf "%04X\n", $1 - 1 - magic - 8 }' | { grep -v '^3A' || true; } |
    paste -sd' '
}

# One session in the installed window. The module is reached as the arguments say: --simulator
# for the built-in one, none for the driver library.
run_window() {  # STATE NAME [ARGUMENTS...]
  local state=$1 name=$2 window pid
  shift 2
  cp "$state" "$work/before.state"
  wine "$installed_win\\VX42.exe" "$@" &
  pid=$!
  window=$(window_titled "No File Loaded") || fail "the installed VX42.exe showed no window"
  keys "$window" alt+c Return
  window_titled "Auto Retrieved File" >/dev/null || fail "Connect retrieved no calibration"
  # The first Tab reaches the tab strip, the next the output's function: the option after the
  # one set (Analog Gauge in the demonstration calibration) is Relay Control; Enter chooses it.
  keys "$window" Tab Tab Down Return
  # Save As, and the name typed over what the dialog's box holds, each again should its keys
  # have come while the window was busy with the write or the dialog still setting itself up.
  save_as() { keys "$window" ctrl+shift+s; }
  type_name() {
    keys "$dialog" Home shift+End
    x type --delay 50 "$name.DVF"
    x key Return
  }
  local dialog
  dialog=$(until_titled "Save" "no file dialog yet, Save As asked again" save_as) ||
    fail "Save As opened no file dialog"
  until_titled "\\[$name.DVF\\]" "$name.DVF not saved yet, the name typed again" type_name >/dev/null ||
    fail "Save As did not save $name.DVF"
  keys "$window" ctrl+q
  wait "$pid" || fail "VX42.exe ended with status $?"
  wine --settle
}

# The saved file, the module's calibration and memory after a session.
check_run() {  # STATE NAME DEVICE_ARGUMENTS...
  local state=$1 name=$2 file out
  shift 2
  file=$(find -L "$drive/users" -path "*/Documents/VX42/Calibrations/$name.DVF" | head -1)
  [ -n "$file" ] || fail "$name.DVF is not in Documents\\VX42\\Calibrations"
  wine "$installed_win\\vx42ctl.exe" verify "$(windows_path "$file")" "$@" >"$work/verify.txt" 2>&1 ||
    { cat "$work/verify.txt" >&2; fail "the module does not hold $name.DVF"; }
  # (Exit status 1: the files differ, as they should.)
  out=$(wine "$installed_win\\vx42ctl.exe" calibration diff "$installed_win\\Demo.DVF" \
        "$(windows_path "$file")" 2>/dev/null | tr -d '\r') || true
  [ "$out" = "Output 1, function: Analog Gauge → Relay Control" ] ||
    fail "$name.DVF differs from the demonstration calibration in: $out"
  out=$(changed_addresses "$work/before.state" "$state")
  [ "$out" = 0400 ] || fail "the module's memory changed at $out"
}

# Both ways to a module: the built-in simulated one, and the driver library where a driver's
# installer puts it (the stand-in, with a module of its own named in its settings).
window_sessions() {
  local appdata state
  appdata=$(find "$drive/users" -maxdepth 3 -path '*/AppData/Local' | head -1)
  state="$appdata/Kestrane Dialvane/simulated-module.state"
  # A module set up earlier with the demonstration calibration.
  wine "$installed_win\\vx42ctl.exe" --yes write "$installed_win\\Demo.DVF" \
    --sim-state "$(windows_path "$state")" >/dev/null 2>&1 || fail "vx42ctl could not set up the simulated module"
  run_window "$state" "Truck 1" --simulator
  check_run "$state" "Truck 1" --sim-state "$(windows_path "$state")"

  state="$work/Modul Müller.state"
  export VX42_SIM_CONFIG="bridge=Kestrane Dialvane VX42|DV42A002;state=$(windows_path "$state")"
  cp "$build/lib/ftd2xx.dll" "$drive/windows/system32/ftd2xx.dll"
  wine "$installed_win\\vx42ctl.exe" --yes write "$installed_win\\Demo.DVF" --device d2xx >/dev/null 2>&1 ||
    fail "vx42ctl could not set up the module through the driver library"
  run_window "$state" "Lkw Jürgen"
  check_run "$state" "Lkw Jürgen" --device d2xx
  rm "$drive/windows/system32/ftd2xx.dll"
  unset VX42_SIM_CONFIG
}
