#!/bin/bash
# Starts the program under a virtual X server as a user would, waits for its main window, takes
# a screenshot and checks that the window is shown at its size, centred, and drawn. Set
# QVJ_SCREENSHOT to a file name to keep the screenshot.
set -euo pipefail
bin=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A program directory of its own: whatever the program writes beside itself goes away with it.
mkdir "$work/program"
cp -r "$bin/quintor-video-joiner" "$bin/Preferences.ini" "$bin/Profiles" "$work/program/"
ln -s "$bin/asapi.dll" "$work/program/asapi.dll"
export QVJ_WORK=$work QVJ_SCREENSHOT=${QVJ_SCREENSHOT:+$(realpath -m "$QVJ_SCREENSHOT")}

xvfb-run -a -s "-screen 0 1280x1024x24" bash -s <<'SESSION' || { echo "FAIL: the window check" >&2; exit 1; }
set -euo pipefail
fail() { echo "FAIL: $*" >&2; exit 1; }
cd "$QVJ_WORK"
QT_QPA_PLATFORM=xcb HOME="$QVJ_WORK" program/quintor-video-joiner >log 2>&1 &
trap 'kill $! 2>/dev/null || true' EXIT
for _ in $(seq 150); do
  kill -0 $! 2>/dev/null || fail "the program ended: $(cat log)"
  id=$(xwininfo -root -tree | awk '/"Quintor Video Joiner V1.5"/ { print $1; exit }')
  [ -n "$id" ] && xwininfo -id "$id" | grep -q 'IsViewable' && break
  id=
  sleep 0.2
done
[ -n "$id" ] || fail "no main window was shown"
sleep 1 # the first paint
# 798 by 559, centred on the 1280 by 1024 screen (no window manager adds a frame here).
geometry=$(xwininfo -id "$id" | awk -F': *' '/ Width/ {w=$2} / Height/ {h=$2}
  /Absolute upper-left X/ {x=$2} /Absolute upper-left Y/ {y=$2} END {print w "x" h "+" x "+" y}')
[[ "$geometry" =~ ^798x559\+241\+23[23]$ ]] || fail "window geometry $geometry"
import -window root screen.png
import -window root -crop "$geometry" +repage window.png
# A blank or half-drawn window has a handful of colours; the icons and pictures give hundreds.
[ "$(identify -format '%wx%h %k' window.png | awk '$1 == "798x559" && $2 >= 200')" ] \
  || fail "the window looks blank: $(identify -format '%wx%h %k colours' window.png)"
if [ -n "$QVJ_SCREENSHOT" ]; then cp screen.png "$QVJ_SCREENSHOT"; fi
SESSION
echo "the window appears OK"
