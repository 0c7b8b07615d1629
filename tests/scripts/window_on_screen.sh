#!/bin/bash
# Starts the program under a virtual X server as a user would, waits for its main window, takes
# a screenshot and checks that the window is shown at its size, centred, and drawn. Set
# QVJ_SCREENSHOT to a file name to keep the screenshot.
set -euo pipefail
bin=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in xvfb-run xauth xwininfo import identify; do
  command -v "$tool" >/dev/null || fail "$tool is missing (see QVJ_TEST_PACKAGES in scripts/common.sh)"
done

# A program directory of its own: whatever the program writes beside itself goes away with it.
mkdir "$work/program"
cp -r "$bin/quintor-video-joiner" "$bin/Preferences.ini" "$bin/Profiles" "$work/program/"
ln -s "$bin/asapi.dll" "$work/program/asapi.dll"

export QVJ_WORK=$work
if [ -n "${QVJ_SCREENSHOT:-}" ]; then export QVJ_SCREENSHOT; QVJ_SCREENSHOT=$(realpath -m "$QVJ_SCREENSHOT"); fi
xvfb-run -a -s "-screen 0 1280x1024x24" bash -s <<'SESSION' || fail "the check under Xvfb failed"
set -euo pipefail
fail() { echo "FAIL: $*" >&2; exit 1; }
cd "$QVJ_WORK"
QT_QPA_PLATFORM=xcb HOME="$QVJ_WORK" program/quintor-video-joiner >log 2>&1 &
pid=$!
trap 'kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true' EXIT

title='"Quintor Video Joiner V1.5"'
id=
for _ in $(seq 150); do
  kill -0 "$pid" 2>/dev/null || fail "the program ended: $(cat log)"
  id=$(xwininfo -root -tree | awk -v t="$title" 'index($0, t) { print $1; exit }')
  [ -n "$id" ] && xwininfo -id "$id" | grep -q 'Map State: IsViewable' && break
  id=
  sleep 0.2
done
[ -n "$id" ] || fail "no window $title was shown"
sleep 1 # the first paint

info=$(xwininfo -id "$id")
field() { awk -F: -v f="$1" '$1 ~ f { gsub(/ /, "", $2); print $2 }' <<<"$info"; }
geometry="$(field ' Width')x$(field ' Height')+$(field 'Absolute upper-left X')+$(field 'Absolute upper-left Y')"
# 798 by 559, centred on the 1280 by 1024 screen (no window manager adds a frame here).
[ "$geometry" = "798x559+241+232" ] || [ "$geometry" = "798x559+241+233" ] \
  || fail "window geometry $geometry"

import -window root screen.png
[ "$(identify -format '%wx%h' screen.png)" = "1280x1024" ] || fail "screenshot size"
import -window root -crop "$geometry" +repage window.png
read -r size colours < <(identify -format '%wx%h %k\n' window.png)
[ "$size" = "798x559" ] || fail "window picture size $size"
# A blank or half-drawn window has a handful of colours; the toolbar icons, the welcome
# picture and the Start button give hundreds.
[ "$colours" -ge 200 ] || fail "the window looks blank ($colours colours)"
if [ -n "${QVJ_SCREENSHOT:-}" ]; then cp screen.png "$QVJ_SCREENSHOT"; fi
echo "window $geometry, $colours colours"
SESSION
echo "the window appears OK"
