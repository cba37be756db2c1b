#!/usr/bin/env bash
# Checks that every C++ file of the project is in its clang-format style (.clang-format) and
# lists those that are not; changes nothing. Exit 0 when all are in style, 1 otherwise.
#
#   scripts/format-check.sh [FILE...]     (no files: src/ tests/ bench/ fuzz/ tools/)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
format=${CLANG_FORMAT:-clang-format}
command -v "$format" >/dev/null || { echo "format-check: $format not found" >&2; exit 2; }

if [ $# -gt 0 ]; then
  files=("$@")
else
  mapfile -t files < <(find src tests bench fuzz tools -type f \
    \( -name '*.h' -o -name '*.hpp' -o -name '*.cpp' -o -name '*.cc' \) | LC_ALL=C sort)
fi

# One run over all files; each place out of style is reported as "FILE:LINE:COL: error: ...".
report=$("$format" --style=file --dry-run --Werror "${files[@]}" 2>&1 >/dev/null) || true
mapfile -t out_of_style < <(printf '%s\n' "$report" |
  sed -n 's/^\(.*\):[0-9][0-9]*:[0-9][0-9]*: error: .*clang-format-violations.*$/\1/p' | LC_ALL=C sort -u)
if [ -n "$report" ] && [ ${#out_of_style[@]} -eq 0 ]; then
  printf '%s\n' "$report" >&2  # clang-format failed otherwise (a missing file, a bad style)
  exit 2
fi

if [ ${#out_of_style[@]} -gt 0 ]; then
  echo "format-check: ${#out_of_style[@]} of ${#files[@]} files are not in the project's style" \
       "(clang-format -i FILE puts one right):" >&2
  printf '  %s\n' "${out_of_style[@]}" >&2
  exit 1
fi
echo "format-check: all ${#files[@]} files are in the project's style"
