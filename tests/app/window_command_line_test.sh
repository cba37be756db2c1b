#!/usr/bin/env bash
# The window's command line as a user meets it in a terminal: --help and --version answer
# without a display, a wrong option is refused in one line, and without a display (none set,
# or one that cannot be reached) the program says so in one line and ends with status 1.
#
# window_command_line_test.sh BIN_FOLDER
set -uo pipefail
bin=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# Runs the program with no display at all; status in $status, streams in out and err.
run() {
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$work" "$@" \
        >"$work/out" 2>"$work/err"
    status=$?
}
lines() { wc -l <"$1" | tr -d ' '; }

version=$("$bin/vx42ctl" --version | sed 's/^vx42ctl //')

run "$bin/VX42" --version
[ "$status" -eq 0 ] || fail "VX42 --version ended with $status"
[ "$(cat "$work/out")" = "VX42 Version $version" ] || fail "VX42 --version said '$(cat "$work/out")'"
[ -s "$work/err" ] && fail "VX42 --version wrote to standard error: $(cat "$work/err")"
run "$bin/VX42RelayControl" --version
[ "$(cat "$work/out")" = "VX42 Relay Control Version $version" ] ||
    fail "VX42RelayControl --version said '$(cat "$work/out")'"

run "$bin/VX42" --help
[ "$status" -eq 0 ] || fail "VX42 --help ended with $status"
for part in --simulator --version FILE; do
    grep -q -- "$part" "$work/out" || fail "VX42 --help does not mention $part"
done

run "$bin/VX42" --simulater
[ "$status" -eq 2 ] || fail "an unknown option ended with $status, not 2"
[ "$(lines "$work/err")" -eq 1 ] || fail "an unknown option gave $(lines "$work/err") lines: $(cat "$work/err")"
grep -q -- "--simulater" "$work/err" || fail "the refusal does not name the option: $(cat "$work/err")"
[ -s "$work/out" ] && fail "the refusal wrote to standard output"

run "$bin/VX42" --simulator
[ "$status" -eq 1 ] || fail "without a display VX42 ended with $status, not 1"
[ "$(lines "$work/err")" -eq 1 ] || fail "without a display: $(lines "$work/err") lines: $(cat "$work/err")"
grep -q "DISPLAY" "$work/err" || fail "the message does not say what is missing: $(cat "$work/err")"

env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$work" DISPLAY=:97531 "$bin/VX42RelayControl" \
    >"$work/out" 2>"$work/err"
status=$?
[ "$status" -eq 1 ] || fail "with an unreachable display VX42RelayControl ended with $status"
[ "$(lines "$work/err")" -eq 1 ] || fail "unreachable display: $(cat "$work/err")"
grep -q '^VX42RelayControl: .*":97531"' "$work/err" || fail "the message does not name the display: $(cat "$work/err")"

echo "the window's command line answers as expected"
