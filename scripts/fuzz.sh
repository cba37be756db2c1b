#!/usr/bin/env bash
# fuzz.sh [SECONDS]: builds every harness of fuzz/ with clang and libFuzzer (AddressSanitizer
# and UndefinedBehaviorSanitizer on) into build-fuzz, then fuzzes them one after another.
# SECONDS (default 600) is the whole budget, shared equally among the harnesses. Each starts
# from its seed corpus (fuzz/corpus/NAME) plus what earlier runs found (build-fuzz/corpus/NAME);
# a crash, leak, time-out or memory blow-up is written to build-fuzz/findings/NAME and makes
# the script fail. Prints the executions per harness at the end: in all, a second, and a second
# of the processor time the harness took (its own speed, whatever else the machine runs).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
budget=${1:-600}
dir=build-fuzz

if [ ! -f "$dir/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -Wno-dev -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVX42_FUZZ=ON -DVX42_SANITIZE=ON >/dev/null
fi
cmake --build "$dir" --target vx42_fuzzers --parallel "$(nproc)"

harnesses=()
for f in fuzz/*_fuzz.cpp; do
  name=$(basename "$f" _fuzz.cpp)
  harnesses+=("$name")
done
each=$(( budget / ${#harnesses[@]} ))
[ "$each" -ge 1 ] || each=1
echo "Fuzzing ${#harnesses[@]} harnesses for $each s each (${budget} s in all)"

export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=0
TIMEFORMAT='%U %S'
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
failed=0
summary=""
for name in "${harnesses[@]}"; do
  work="$dir/corpus/$name"
  findings="$dir/findings/$name"
  mkdir -p "$work" "$findings"
  log="$dir/findings/$name.log"
  status=0
  # The processor time the harness took (user and system), as well as the time that passed:
  # on a machine shared with other work the first is the harness's own speed.
  cpu=$( { time "$dir/fuzz/fuzz_$name" "$work" "fuzz/corpus/$name" -max_total_time="$each" \
    -timeout=10 -rss_limit_mb=2048 -max_len=65536 -print_final_stats=1 \
    -artifact_prefix="$findings/" >"$log" 2>&1 || status=$?; } 2>&1 )
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  perCpu=$(awk -v runs="${runs:-0}" -v cpu="$cpu" \
    'BEGIN { split(cpu, t, " "); s = t[1] + t[2]; if (s > 0) printf "%d", runs / s; else print "?" }')
  line=$(printf '%-20s %10s executions %7s a second %7s a processor second' "$name" \
    "${runs:-?}" "${rate:-?}" "$perCpu")
  if [ "$status" -ne 0 ]; then
    failed=1
    summary+="$line  FINDING (see $log)"$'\n'
  else
    summary+="$line  no finding"$'\n'
  fi
done
printf '%s' "$summary"
exit "$failed"
