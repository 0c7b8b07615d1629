#!/bin/bash
# A build lays Preferences.ini out in the program directory only when it is missing: what a run
# of the program saved there survives a build, even one after the shipped file changed.
set -euo pipefail
program_dir=$(cd "$1" && pwd)
build_dir=$(dirname "$program_dir")
ini="$program_dir/Preferences.ini"
fail() { echo "FAIL: $*" >&2; exit 1; }
[ -f "$ini" ] || fail "the build laid out no Preferences.ini"

original=$(mktemp "$program_dir/.Preferences.XXXXXX")
cp -p "$ini" "$original"
trap 'mv -f "$original" "$ini"' EXIT
# What a run saved, older than the shipped file; a comment, so that tests reading the file
# meanwhile read the same preferences.
cp -p "$ini" "$ini.saved" && printf '; saved by a run\r\n' >>"$ini.saved" && mv -f "$ini.saved" "$ini"
touch -d '2000-01-01' "$ini"
cmake --build "$build_dir" --target qvj_data >/dev/null
grep -q '; saved by a run' "$ini" || fail "the build replaced the saved preferences"
echo "saved preferences kept"
