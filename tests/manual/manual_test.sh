#!/usr/bin/env bash
# The rendered manual as an installer reads it: every chapter and section is a bookmark, every
# picture has its numbered caption, and every command line of a listing stands whole on one
# line, so that what is pasted is what was written.
# manual_test.sh MANUAL.pdf MANUAL.md
set -euo pipefail
pdf=$1
markdown=$2
status=0

outline=$(pdftohtml -q -stdout -i -noframes "$pdf" | sed -n '/name="outline"/,$p')
while IFS= read -r heading; do
  if ! grep -qF ">$heading</a>" <<<"$outline"; then
    echo "no bookmark for the heading \"$heading\""
    status=1
  fi
done < <(grep -E '^#{2,3} ' "$markdown" | sed -E 's/^#+ //')

text=$(pdftotext -layout "$pdf" -)
pictures=$(grep -c '^!\[' "$markdown")
captions=$(grep -cE 'Figure [0-9]+\. ' <<<"$text")
if [ "$pictures" -ne "$captions" ]; then
  echo "$pictures pictures but $captions captions"
  status=1
fi

while IFS= read -r line; do
  if ! grep -qF -- "$line" <<<"$text"; then
    echo "the listing line \"$line\" is not whole on one line"
    status=1
  fi
done < <(awk '/^```/ { inside = !inside; next } inside' "$markdown")

[ "$status" -eq 0 ] && echo "manual: bookmarks, captions and listings as written"
exit "$status"
