#!/usr/bin/env bash
# comma-locale.sh DIR: makes the German locale (de_DE.UTF-8, a comma as its decimal point) in
# DIR, for running the tests as on a desktop that writes decimals with a comma. Use it with
# LOCPATH=DIR LC_ALL=de_DE.UTF-8. Needs localedef and the locales package's sources.
set -euo pipefail
dir=$1
mkdir -p "$dir"
if [ ! -f "$dir/de_DE.UTF-8/LC_NUMERIC" ]; then
  # -c writes the locale despite warnings about its sources.
  localedef -c -i de_DE -f UTF-8 "$dir/de_DE.UTF-8" >/dev/null 2>&1 || true
fi
if [ ! -f "$dir/de_DE.UTF-8/LC_NUMERIC" ]; then
  echo "comma-locale.sh: could not make de_DE.UTF-8 in $dir (is the locales package installed?)" >&2
  exit 1
fi
