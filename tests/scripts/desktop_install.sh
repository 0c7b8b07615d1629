#!/bin/bash
# Installs the build into a scratch prefix and checks what a desktop user gets: the program
# directory as one tree, working links in bin/, a valid desktop entry with its icon, and a
# second installation that keeps the user's preferences.
set -euo pipefail
program_dir=$(cd "$1" && pwd)
build_dir=$(dirname "$program_dir")
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build_dir" --prefix "$prefix" >/dev/null
lib="$prefix/lib/quintor-video-joiner"
for f in quintor-video-joiner asapi.dll Preferences.ini Joinhelp.html; do
  [ -f "$lib/$f" ] || fail "missing $lib/$f"
done
[ -x "$lib/quintor-video-joiner" ] || fail "the program is not executable"
[ -x "$lib/asapi.dll" ] || fail "the encoder is not executable"
for f in "$program_dir"/Profiles/*.bpf; do
  [ -e "$f" ] || continue
  cmp -s "$f" "$lib/Profiles/$(basename "$f")" || fail "profile $(basename "$f") not installed"
done

link="$prefix/bin/quintor-video-joiner"
[ -L "$link" ] || fail "no link $link"
[ "$(readlink -f "$link")" = "$(readlink -f "$lib/quintor-video-joiner")" ] \
  || fail "the link does not lead to the program directory"
if [ -f "$lib/quintor-join" ]; then
  [ "$(readlink -f "$prefix/bin/quintor-join")" = "$(readlink -f "$lib/quintor-join")" ] \
    || fail "no working link to quintor-join"
fi

entry="$prefix/share/applications/quintor-video-joiner.desktop"
[ -f "$entry" ] || fail "no desktop entry"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$entry" || fail "the desktop entry is not valid"
fi
grep -qx 'Exec=quintor-video-joiner %F' "$entry" || fail "Exec line"
grep -qx 'Icon=quintor-video-joiner' "$entry" || fail "Icon line"
# Every input type of the program is offered: avi, mpg/mpeg/vob, mp4, wmv, mov, asf.
for mime in video/x-msvideo video/mpeg video/mp4 video/x-ms-wmv video/quicktime \
            application/vnd.ms-asf; do
  grep -q "^MimeType=.*$mime;" "$entry" || fail "MIME type $mime missing"
done
[ -f "$prefix/share/icons/hicolor/scalable/apps/quintor-video-joiner.svg" ] || fail "no icon"
[ -f "$prefix/share/icons/hicolor/48x48/apps/quintor-video-joiner.png" ] || fail "no 48 px icon"

# A second installation keeps what the program wrote into its preferences.
printf '[Main]\r\nVersion=1.5\r\nTemp Dir=/somewhere/else/\r\n' > "$lib/Preferences.ini"
cmake --install "$build_dir" --prefix "$prefix" >/dev/null
grep -q 'Temp Dir=/somewhere/else/' "$lib/Preferences.ini" || fail "preferences overwritten"
echo "install layout OK"
