#!/usr/bin/env bash
# vx42ctl's bash completion as a user's shell runs it, against the built program: commands,
# choices, folders for folder options, files of the argument's extensions, and nothing left
# behind in the user's shell.
#
# completion_test.sh VX42CTL COMPLETION_FILE
set -uo pipefail
export LC_ALL=C
program=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
completion=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
framework=/usr/share/bash-completion/bash_completion
[ -f "$framework" ] || { echo "bash-completion is not installed: skipped"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

mkdir -p "$work/files/jobs"
touch "$work/files/truck.DVF" "$work/files/old.dvf" "$work/files/notes.txt" \
      "$work/files/base.ROM" "$work/files/boot.BLU" "$work/files/car.dbc" "$work/files/in.json"
cd "$work/files"
# shellcheck source=/dev/null
source "$framework"
# shellcheck source=/dev/null
source "$completion"

# complete LINE: the words offered for LINE (the word being completed is its last, maybe "").
complete_line() {
    local line=$1
    read -r -a COMP_WORDS <<<"$line"
    [[ $line == *" " ]] && COMP_WORDS+=("")
    COMP_WORDS[0]=$program
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE="$program ${line#* }"
    COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    _vx42ctl
    printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ' | sed 's/ $//'
}

expect() {
    local got
    got=$(complete_line "$1")
    [ "$got" = "$2" ] || fail "'$1' offers '$got', expected '$2'"
}

expect "vx42ctl cal" "calibrate calibration"
expect "vx42ctl calibrate 3 --fill " "same scaled"
expect "vx42ctl calibration d" "describe diff"
expect "vx42ctl --device " "auto d2xx ftdi sim"
expect "vx42ctl calibration show " "jobs old.dvf truck.DVF"
expect "vx42ctl calibration diff truck.DVF " "jobs old.dvf truck.DVF"
expect "vx42ctl upgrade " "base.ROM boot.BLU jobs"
expect "vx42ctl library import-dbc " "car.dbc jobs"
expect "vx42ctl library build " "in.json jobs"
expect "vx42ctl library import-dbc car.dbc --user --library-folder " "jobs"
expect "vx42ctl history list --history-folder " "jobs"
expect "vx42ctl calibration describe --m" "--metric"
declare -p VX42CTL >/dev/null 2>&1 && fail "the completion leaves VX42CTL in the shell"
echo "the completion offers what each argument takes"
