#!/usr/bin/env bash
# vx42ctl's man page as man shows it in an 80-column terminal: no line wider, no complaint
# from the formatter, and the sections people look for, each once.
#
# man_page_render_test.sh PAGE.1.gz
set -euo pipefail
page=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

MANWIDTH=80 MAN_KEEP_FORMATTING= man --warnings -l "$page" 2>"$work/warnings" | col -b >"$work/page"
[ -s "$work/warnings" ] && fail "the formatter complains: $(cat "$work/warnings")"
wide=$(awk 'length > 80 { print NR ": " $0 }' "$work/page")
[ -z "$wide" ] || fail "lines wider than 80 columns:
$wide"
for section in NAME SYNOPSIS DESCRIPTION "GLOBAL OPTIONS" "CALIBRATION COMMANDS" \
        "LIBRARY COMMANDS" "HISTORY COMMANDS" "MODULE COMMANDS" "EXIT STATUS" ENVIRONMENT \
        FILES EXAMPLES "SEE ALSO"; do
    count=$(grep -c "^$section\$" "$work/page" || true)
    [ "$count" -eq 1 ] || fail "section $section appears $count times"
done
# The help's footer ("Exit status: 0 done; ...") is the EXIT STATUS section's, never repeated.
footers=$(grep -c "Exit status:" "$work/page" || true)
[ "$footers" -eq 0 ] || fail "the help's exit-status footer appears $footers times"
echo "the man page fits 80 columns in $(wc -l <"$work/page") lines"
