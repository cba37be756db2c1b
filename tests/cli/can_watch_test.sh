#!/usr/bin/env bash
# vx42ctl can-status --watch on a simulated module whose output 1 message comes and goes: a
# line per round, about once a second, until Ctrl+C, which ends the command cleanly.
#
# can_watch_test.sh VX42CTL
set -uo pipefail
export LC_ALL=C
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$1" can-status --watch --device sim --sim "can=1:0/257" >"$work/out" 2>"$work/err" &
pid=$!
for _ in $(seq 1 100); do
    [ "$(wc -l <"$work/out")" -ge 3 ] && break
    sleep 0.1
done
kill -INT "$pid"
wait "$pid"
status=$?
[ "$status" -eq 0 ] || fail "exit status $status after Ctrl+C: $(cat "$work/err")"
[ -s "$work/err" ] && fail "unexpected error output: $(cat "$work/err")"
mapfile -t lines <"$work/out"
[ "${#lines[@]}" -ge 3 ] || fail "fewer than three rounds: ${lines[*]}"
time='[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}'
for k in 0 1 2; do
    [ $((k % 2)) -eq 0 ] && slot1="1 not receiving" || slot1="1 receiving"
    [[ ${lines[$k]} =~ ^$time\ \ $slot1\ \ 2\ not\ receiving\ \ 3 ]] ||
        fail "round $((k + 1)): ${lines[$k]}"
done
echo "ok: ${#lines[@]} rounds"
