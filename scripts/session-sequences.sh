#!/usr/bin/env bash
# Runs the stateful property tests of the session's command sequences at length: COUNT
# sequences of the session (100000 by default) split over JOBS processes (4), and WINDOW
# sequences of the main window (1000; 0 leaves them out), against the build in BUILD (build).
# A failure prints the shrunk sequence and the RC_PARAMS that replays it with the test alone.
#
#   scripts/session-sequences.sh [COUNT] [JOBS] [BUILD]
#
# SIZE sets the longest sequence (40 steps).
set -euo pipefail
count=${1:-100000}
jobs=${2:-4}
build=${3:-build}
window_count=${WINDOW:-1000}
size=${SIZE:-40}
test="$build/tests/session/session_session_sequences_test"
[[ -x "$test" ]] || { echo "build $test first" >&2; exit 2; }
share=$(( (count + jobs - 1) / jobs ))
start=$(date +%s.%N)
pids=()
for ((j = 0; j < jobs; j++)); do
    n=$(( count - j * share < share ? count - j * share : share ))
    (( n > 0 )) || break
    RC_PARAMS="max_success=$n max_size=$size seed=$(( 1000 + j ))" "$test" --gtest_brief=1 &
    pids+=($!)
done
status=0
for pid in "${pids[@]}"; do wait "$pid" || status=1; done
elapsed=$(awk "BEGIN { printf \"%.1f\", $(date +%s.%N) - $start }")
printf '%d session sequences in %s s: %s\n' "$count" "$elapsed" \
    "$([[ $status == 0 ]] && echo "nothing found" || echo "FAILED")"
if (( window_count > 0 )); then
    window="$build/tests/ui/ui_window_sequences_test"
    [[ -x "$window" ]] || { echo "build $window first" >&2; exit 2; }
    start=$(date +%s.%N)
    wstatus=0
    QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES='qt.qpa.*=false' \
        RC_PARAMS="max_success=$window_count max_size=$size seed=2000" "$window" -silent || wstatus=1
    elapsed=$(awk "BEGIN { printf \"%.1f\", $(date +%s.%N) - $start }")
    printf '%d window sequences in %s s: %s\n' "$window_count" "$elapsed" \
        "$([[ $wstatus == 0 ]] && echo "nothing found" || echo "FAILED")"
    (( wstatus == 0 )) || status=1
fi
exit $status
