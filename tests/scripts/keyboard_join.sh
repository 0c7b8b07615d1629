#!/bin/bash
# A join with the keyboard alone, as a user without a mouse makes one: the program started
# under a virtual X server with two clips on its command line, then only keys (xdotool): Tab to
# the profile box and choose the AVI profile by typing, Tab to the output box and type a name,
# Ctrl+Return to start, Escape to stop, Enter on the cancel box, Ctrl+Return again, Enter on the
# completion box, Ctrl+Q to quit. The joined file must hold both clips. Set QVJ_SCREENSHOT to a
# file name to keep a picture of the completion box over the window.
set -euo pipefail
bin=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/program" "$work/out"
cp -r "$bin/quintor-video-joiner" "$bin/Preferences.ini" "$bin/Profiles" "$work/program/"
ln -s "$bin/asapi.dll" "$work/program/asapi.dll"
# No folder is opened after the join: on a machine without a file manager that would end in a
# box of its own.
sed -i 's/^\[Main\]\r\?$/&\nAuto Open Dir=0/' "$work/program/Preferences.ini"
for n in 1 2; do
  ffmpeg -v error -f lavfi -i "testsrc=size=320x240:rate=25:duration=3" "$work/clip$n.mp4"
done
export QVJ_WORK=$work QVJ_SCREENSHOT=${QVJ_SCREENSHOT:+$(realpath -m "$QVJ_SCREENSHOT")}

xvfb-run -a -s "-screen 0 1280x1024x24" bash -s <<'SESSION' || { echo "FAIL: the keyboard join" >&2; exit 1; }
set -euo pipefail
fail() { echo "FAIL: $*" >&2; exit 1; }
cd "$QVJ_WORK"
QT_QPA_PLATFORM=xcb HOME="$QVJ_WORK" program/quintor-video-joiner clip1.mp4 clip2.mp4 >log 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT
# The id of the shown window with this exact title, waiting up to 30 s for it.
window() {
  local id
  for _ in $(seq 150); do
    kill -0 $pid 2>/dev/null || fail "the program ended: $(cat log)"
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 || true)
    [ -n "$id" ] && { echo "$id"; return; }
    sleep 0.2
  done
  fail "no window \"$1\""
}
keys() { xdotool key --delay 60 "$@"; }
main=$(window "Quintor Video Joiner V1.5")
sleep 1
xdotool windowfocus --sync "$main"
# The focus starts in the list: Tab five times to the profile box, type its first letters.
keys Tab Tab Tab Tab Tab
xdotool type --delay 80 "AVI"
# Twice more to the output box: replace what it holds with a name without extension.
keys Tab Tab ctrl+a
xdotool type --delay 20 "$QVJ_WORK/out/joined"
keys ctrl+Return
sleep 0.3
keys Escape
box=$(window Cancel)
xdotool windowfocus --sync "$box"
keys Return
sleep 0.5
[ ! -e out/joined.avi ] || fail "a stopped job left its output"
xdotool windowfocus --sync "$main"
keys ctrl+Return
box=$(window Complete)
if [ -n "$QVJ_SCREENSHOT" ]; then import -window root "$QVJ_SCREENSHOT"; fi
xdotool windowfocus --sync "$box"
keys Return
sleep 0.5
xdotool windowfocus --sync "$main"
keys ctrl+q
for _ in $(seq 50); do kill -0 $pid 2>/dev/null || break; sleep 0.2; done
kill -0 $pid 2>/dev/null && fail "Ctrl+Q did not close the program"
[ -s out/joined.avi ] || fail "no output: $(ls out) $(cat log)"
length=$(ffprobe -v error -show_entries format=duration -of csv=p=0 out/joined.avi)
awk -v l="$length" 'BEGIN { exit !(l > 5.5 && l < 6.5) }' || fail "the output runs $length s"
grep -q 'Output File=.*/out/joined.avi' program/Preferences.ini || fail "the output name was not kept"
SESSION
echo "a join made with the keyboard alone: profile, output, Start, Stop, Start, completion, quit"
