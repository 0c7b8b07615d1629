#!/bin/bash
# Builds the Debian package, checks its control data and its files, and runs the unpacked
# quintor-join on two clips as an ordinary user: the installed program directory is not the
# user's to write, so the preferences and the temporary files go to the user's own folders.
set -euo pipefail
program_dir=$(cd "$1" && pwd)
build_dir=$(dirname "$program_dir")
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
scratch=$(mktemp -d)
trap 'chmod -R u+w "$scratch" 2>/dev/null; rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack -G DEB -B "$scratch/pkg" --config "$build_dir/CPackConfig.cmake" >"$scratch/cpack.log" 2>&1 \
  || { cat "$scratch/cpack.log" >&2; fail "cpack"; }
debs=("$scratch"/pkg/quintor-video-joiner_*_"$(dpkg --print-architecture)".deb)
[ -f "${debs[0]}" ] || fail "no package made"
deb=${debs[0]}
case "$(basename "$deb")" in quintor-video-joiner_1.5_*.deb) ;; *) fail "name $(basename "$deb")";; esac

info=$(dpkg-deb -I "$deb")
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = quintor-video-joiner ] || fail "Package field"
[ "$(field Version)" = 1.5 ] || fail "Version field"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture field"
depends=$(field Depends)
# The libraries come from the built programs, the rest is named.
for dep in ffmpeg qt6-qpa-plugins libmediainfo0v5 libqt6core6 libqt6gui6 libqt6widgets6 \
           libqt6dbus6 libqt6svg6 libstdc++6 libc6; do
  tr -d ' ' <<<",$depends," | sed 's/([^)]*)//g' | grep -Fq ",$dep," || fail "Depends lacks $dep: $depends"
done
grep -q 'Description: join two or more video files into one' <<<"$info" || fail "Description"

# The distribution's checker: no error, and every warning it still gives is explained in the
# README's list of them.
lintian --no-tag-display-limit "$deb" >"$scratch/lintian.log" 2>&1 || true
cat "$scratch/lintian.log"
! grep -q '^E:' "$scratch/lintian.log" || fail "lintian reports errors"
for tag in $(sed -n 's/^W: [^ ]*: \([a-z0-9-]*\).*/\1/p' "$scratch/lintian.log" | sort -u); do
  grep -q "\`$tag\`" "$source_dir/README.md" || fail "lintian warning $tag is not in the README"
done

outside=$(dpkg-deb -c "$deb" | awk '{ print $6 }' | grep -Ev '^\./(usr/.*)?$' || true)
[ -z "$outside" ] || fail "files outside /usr: $outside"

root="$scratch/root"
dpkg-deb -x "$deb" "$root"
lib="$root/usr/lib/quintor-video-joiner"
for f in quintor-video-joiner quintor-join asapi.dll; do
  [ -x "$lib/$f" ] || fail "$f not executable"
done
for f in Preferences.ini Joinhelp.html "Profiles/MP4 - H.264 Video.bpf"; do
  [ -f "$lib/$f" ] || fail "missing $f"
done
for p in quintor-video-joiner quintor-join; do
  [ "$(readlink "$root/usr/bin/$p")" = "../lib/quintor-video-joiner/$p" ] || fail "launcher $p"
done
share="$root/usr/share"
for f in doc/quintor-video-joiner/copyright doc/quintor-video-joiner/changelog.gz \
         man/man1/quintor-join.1.gz man/man1/quintor-video-joiner.1.gz \
         bash-completion/completions/quintor-join metainfo/example.quintor_video.VideoJoiner.metainfo.xml; do
  [ -f "$share/$f" ] || fail "missing /usr/share/$f"
done
appstreamcli validate --no-net "$share/metainfo/example.quintor_video.VideoJoiner.metainfo.xml" \
  || fail "installed software-centre data invalid"
entry="$root/usr/share/applications/quintor-video-joiner.desktop"
desktop-file-validate "$entry" || fail "desktop entry invalid"
for icon in scalable/apps/quintor-video-joiner.svg 48x48/apps/quintor-video-joiner.png; do
  [ -f "$root/usr/share/icons/hicolor/$icon" ] || fail "no icon $icon"
done
# The desktop's caches belong to the user's machine, not to the package.
[ -z "$(find "$root" -name 'mimeinfo.cache' -o -name 'icon-theme.cache')" ] || fail "caches packed"
! find "$root" -path '*/tests/*' -o -name 'bench_*' | grep -q . || fail "test files packed"

# An ordinary user with a home of its own; the scratch tree is readable, not writable by it.
chmod 755 "$scratch"
chmod -R a+rX,a-w "$root"
user=nobody
home="$scratch/home"
work="$scratch/work"
mkdir -p "$home" "$work"
ffmpeg -v error -f lavfi -i testsrc=size=160x120:rate=25:duration=2 -f lavfi \
  -i sine=frequency=440:duration=2 -shortest -c:v mpeg4 -c:a mp2 "$work/a.avi"
ffmpeg -v error -f lavfi -i testsrc2=size=160x120:rate=25:duration=3 -f lavfi \
  -i sine=frequency=660:duration=3 -shortest -c:v mpeg4 -c:a mp2 "$work/b.avi"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  chown -R "$user" "$home" "$work"
  as_user=(setpriv --reuid="$user" --regid="$(id -g "$user")" --clear-groups)
fi
shipped_before=$(md5sum <"$lib/Preferences.ini")
"${as_user[@]}" env -i HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 \
  "$root/usr/bin/quintor-join" --profile "MP4 - H.264 Video" -o "$work/joined.mp4" \
  "$work/a.avi" "$work/b.avi" >"$scratch/join.log" 2>&1 \
  || { cat "$scratch/join.log" >&2; fail "quintor-join as $user"; }

length=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$work/joined.mp4")
awk -v l="$length" 'BEGIN { exit !(l > 4.5 && l < 5.6) }' || fail "joined length $length"
frames=$(ffprobe -v error -select_streams v:0 -count_frames -show_entries stream=nb_read_frames \
  -of csv=p=0 "$work/joined.mp4")
[ "${frames:-0}" -gt 100 ] || fail "joined frames $frames"
# The copying route: the installed encoder reads the files with ffmpeg's libraries.
"${as_user[@]}" env -i HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 \
  "$root/usr/bin/quintor-join" --profile "MKV - Same as Source (No Re-encoding)" \
  -o "$work/copied.mkv" "$work/a.avi" "$work/b.avi" >"$scratch/copy.log" 2>&1 \
  || { cat "$scratch/copy.log" >&2; fail "copying join as $user"; }
length=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$work/copied.mkv")
awk -v l="$length" 'BEGIN { exit !(l > 4.9 && l < 5.1) }' || fail "copied length $length"
prefs="$home/.config/quintor-video-joiner/Preferences.ini"
cmp -s "$prefs" "$lib/Preferences.ini" || fail "no copy of the preferences in the user's folder"
[ "$(md5sum <"$lib/Preferences.ini")" = "$shipped_before" ] || fail "shipped preferences changed"
cache="$home/.cache/quintor-video-joiner/temp"
[ -d "$cache" ] || fail "no temporary folder in the user's cache"
[ -z "$(ls -A "$cache")" ] || fail "files left in $cache: $(ls -A "$cache")"
echo "package OK: $(basename "$deb"), Depends: $depends"
