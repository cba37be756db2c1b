#!/usr/bin/env bash
# Runs the random session sequences at length: COUNT sequences (100000 by default) from seed
# FIRST (1), split over JOBS processes (4), against the build in BUILD (build). A failure names
# the seed; VX42_SESSION_SEED=N with the test alone replays it.
#
#   scripts/session-sequences.sh [COUNT] [FIRST] [JOBS] [BUILD]
#
# WINDOW=N also runs N sequences through the main window's commands (offscreen), from seed FIRST;
# a failure names the seed for VX42_WINDOW_SEED=N.
set -euo pipefail
count=${1:-100000}
first=${2:-1}
jobs=${3:-4}
build=${4:-build}
test="$build/tests/session/session_session_sequences_test"
[[ -x "$test" ]] || { echo "build $test first" >&2; exit 2; }
share=$(( (count + jobs - 1) / jobs ))
start=$(date +%s.%N)
pids=()
for ((j = 0; j < jobs; j++)); do
    from=$(( first + j * share ))
    n=$(( count - j * share < share ? count - j * share : share ))
    (( n > 0 )) || break
    VX42_SESSION_FIRST_SEED=$from VX42_SESSION_SEQUENCES=$n "$test" --gtest_brief=1 &
    pids+=($!)
done
status=0
for pid in "${pids[@]}"; do wait "$pid" || status=1; done
elapsed=$(awk "BEGIN { printf \"%.1f\", $(date +%s.%N) - $start }")
printf '%d sequences from seed %d in %s s: %s\n' "$count" "$first" "$elapsed" \
    "$([[ $status == 0 ]] && echo "nothing found" || echo "FAILED")"
if (( ${WINDOW:-0} > 0 )); then
    window="$build/tests/ui/ui_window_sequences_test"
    [[ -x "$window" ]] || { echo "build $window first" >&2; exit 2; }
    start=$(date +%s.%N)
    wstatus=0
    QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES='qt.qpa.*=false' VX42_WINDOW_FIRST_SEED=$first \
        VX42_WINDOW_SEQUENCES=$WINDOW "$window" -silent || wstatus=1
    elapsed=$(awk "BEGIN { printf \"%.1f\", $(date +%s.%N) - $start }")
    printf '%d window sequences from seed %d in %s s: %s\n' "$WINDOW" "$first" "$elapsed" \
        "$([[ $wstatus == 0 ]] && echo "nothing found" || echo "FAILED")"
    (( wstatus == 0 )) || status=1
fi
exit $status
