#!/bin/bash
# Takes the software centre's screenshot (data/metainfo/main-window.png) from the real window
# under Xvfb: four clips made with ffmpeg's test sources listed in a fresh home's Videos folder.
# Usage: scripts/screenshot.sh [PROGRAM_DIR [HOME]]; the shipped one was taken with the home
# /home/demo, so that the list shows the paths a user's would.
set -euo pipefail
cd "$(dirname "$0")/.."
program_dir=$(cd "${1:-build/bin}" && pwd)
home=${2:-$(mktemp -d)}
out=$PWD/data/metainfo/main-window.png
mkdir -p "$home/Videos"
seconds=(18 17 11 18)
names=("Beach afternoon" "Beach morning" "Fireworks" "Harbour at dusk")
for i in "${!names[@]}"; do
  ffmpeg -v error -y -f lavfi -i "testsrc2=size=1280x720:rate=25:duration=${seconds[i]}" \
    -f lavfi -i sine=frequency=440 -shortest -c:v libx264 -preset ultrafast -c:a aac \
    "$home/Videos/${names[i]}.mp4"
done
cat >"$home/shot" <<'SHOT'
#!/bin/bash
"$1/quintor-video-joiner" "$2"/Videos/*.mp4 &
pid=$!
for _ in $(seq 60); do
  w=$(xdotool search --onlyvisible --name '^Quintor Video Joiner' 2>/dev/null | head -1) || true
  [ -n "$w" ] && break
  sleep 0.5
done
sleep 10
import -window "$w" "$3"
kill $pid
SHOT
(cd "$home/Videos" && HOME=$home xvfb-run -a -s "-screen 0 1280x900x24" bash "$home/shot" \
  "$program_dir" "$home" "$out")
identify "$out"
echo "Now set the width and height of the screenshot in data/metainfo/*.metainfo.xml."
