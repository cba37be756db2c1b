# Sourced: own_display FILE [SIZE] starts an Xvfb screen (1366x768 unless SIZE says otherwise)
# on a display number Xvfb finds free, so its windows and keys meet no other run's, and exports
# it as VX42_WINE_DISPLAY for scripts/wine-run.sh. Xvfb writes the number it took into FILE.
# The caller stops the server, whose process is $own_display_pid, when it is done with it.
own_display() {  # FILE [SIZE]
  rm -f "$1"
  Xvfb -displayfd 3 -screen 0 "${2:-1366x768}x24" -nolisten tcp 3>"$1" >/dev/null 2>&1 &
  own_display_pid=$!
  for _ in $(seq 100); do [ -s "$1" ] && break; sleep 0.1; done
  [ -s "$1" ] || { echo "own-display: Xvfb did not start" >&2; return 1; }
  export VX42_WINE_DISPLAY=:$(cat "$1")
}
