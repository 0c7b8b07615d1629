#!/bin/bash
# The task list on a real screen: the program started under a virtual X server with a clip on
# its command line draws the clip's picture at the left of the Input File cell. Set
# QVJ_SCREENSHOT to a file name to keep the screenshot.
set -euo pipefail
bin=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/program"
cp -r "$bin/quintor-video-joiner" "$bin/Preferences.ini" "$bin/Profiles" "$work/program/"
ln -s "$bin/asapi.dll" "$work/program/asapi.dll"
ffmpeg -v error -f lavfi -i testsrc2=size=320x180:rate=25:duration=2 "$work/clip.mp4"
export QVJ_WORK=$work QVJ_SCREENSHOT=${QVJ_SCREENSHOT:+$(realpath -m "$QVJ_SCREENSHOT")}

xvfb-run -a -s "-screen 0 1280x1024x24" bash -s <<'SESSION' || { echo "FAIL: the list check" >&2; exit 1; }
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
if [ -n "$QVJ_SCREENSHOT" ]; then cp window.png "$QVJ_SCREENSHOT"; fi
SESSION
echo "the list shows the picture"
