#!/bin/bash
# Installs the build into a scratch prefix and checks what a desktop user gets; a second
# installation keeps the user's preferences.
set -euo pipefail
program_dir=$(cd "$1" && pwd)
build_dir=$(dirname "$program_dir")
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build_dir" --prefix "$prefix" >/dev/null
lib="$prefix/lib/quintor-video-joiner"
for f in Preferences.ini Joinhelp.html; do [ -f "$lib/$f" ] || fail "missing $f"; done
for f in quintor-video-joiner asapi.dll; do [ -x "$lib/$f" ] || fail "$f not executable"; done
for f in "$program_dir"/Profiles/*.bpf; do
  cmp -s "$f" "$lib/Profiles/$(basename "$f")" || fail "profile $(basename "$f") not installed"
done
[ "$prefix/bin/quintor-video-joiner" -ef "$lib/quintor-video-joiner" ] || fail "no link in bin/"

entry="$prefix/share/applications/quintor-video-joiner.desktop"
! command -v desktop-file-validate >/dev/null || desktop-file-validate "$entry" || fail "entry invalid"
grep -qx 'Exec=quintor-video-joiner %F' "$entry" || fail "Exec line"
grep -qx 'Icon=quintor-video-joiner' "$entry" || fail "Icon line"
for mime in video/x-msvideo video/mpeg video/mp4 video/x-ms-wmv video/quicktime application/vnd.ms-asf; do
  grep -q "^MimeType=.*$mime;" "$entry" || fail "MIME type $mime missing"
done
for icon in scalable/apps/quintor-video-joiner.svg 48x48/apps/quintor-video-joiner.png; do
  [ -f "$prefix/share/icons/hicolor/$icon" ] || fail "no icon $icon"
done

printf '[Main]\r\nVersion=1.5\r\nTemp Dir=/somewhere/else/\r\n' > "$lib/Preferences.ini"
cmake --install "$build_dir" --prefix "$prefix" >/dev/null
grep -q 'Temp Dir=/somewhere/else/' "$lib/Preferences.ini" || fail "preferences overwritten"
echo "install layout OK"
