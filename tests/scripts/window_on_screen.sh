#!/bin/bash
# Starts the program under a virtual X server as a user would, with a clip on its command line,
# waits for its main window and checks that the window is shown at its size, centred and drawn,
# and that the list draws the clip's picture at the left of the Input File cell. Set
# QVJ_SCREENSHOT to a file name to keep the screenshot.
set -euo pipefail
bin=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A program directory of its own: whatever the program writes beside itself goes away with it.
mkdir "$work/program"
cp -r "$bin/quintor-video-joiner" "$bin/Preferences.ini" "$bin/Profiles" "$work/program/"
ln -s "$bin/asapi.dll" "$work/program/asapi.dll"
ffmpeg -v error -f lavfi -i testsrc2=size=320x180:rate=25:duration=2 "$work/clip.mp4"
export QVJ_WORK=$work QVJ_SCREENSHOT=${QVJ_SCREENSHOT:+$(realpath -m "$QVJ_SCREENSHOT")}

xvfb-run -a -s "-screen 0 1280x1024x24" bash -s <<'SESSION' || { echo "FAIL: the window check" >&2; exit 1; }
set -euo pipefail
fail() { echo "FAIL: $*" >&2; exit 1; }
cd "$QVJ_WORK"
QT_QPA_PLATFORM=xcb HOME="$QVJ_WORK" program/quintor-video-joiner clip.mp4 >log 2>&1 &
trap 'kill $! 2>/dev/null || true' EXIT
id=
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
# The rows' pictures: a strip at the left of the list, under its header. Empty cells give a
# handful of colours; the test picture gives many once it has been made.
colours=0
for _ in $(seq 60); do
  import -window "$id" window.png
  colours=$(convert window.png -crop 64x60+16+104 +repage -format '%k' info:)
  [ "$colours" -ge 40 ] && break
  sleep 0.5
done
[ "$colours" -ge 40 ] || fail "no picture in the list ($colours colours)"
# A blank or half-drawn window has a handful of colours; the icons and pictures give hundreds.
[ "$(identify -format '%wx%h %k' window.png | awk '$1 == "798x559" && $2 >= 200')" ] \
  || fail "the window looks blank: $(identify -format '%wx%h %k colours' window.png)"
if [ -n "$QVJ_SCREENSHOT" ]; then import -window root "$QVJ_SCREENSHOT"; fi
SESSION
echo "the window appears OK and the list shows the picture"
