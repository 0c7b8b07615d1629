#!/bin/bash
# The files a distribution and a software centre read: both manual pages render without a
# warning and agree with quintor-join --help; the software-centre data and the desktop entry
# validate; the icons are in the theme's sizes; the shell completion offers the options, the
# profiles and the files of the types taken.
set -euo pipefail
program_dir=$(cd "$1" && pwd)
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
data="$source_dir/data"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

for page in "$data"/man/*.1; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done

# The options and exit statuses of --help and of the manual page are the same.
help=$(LC_ALL=C.UTF-8 LANGUAGE= "$program_dir/quintor-join" --help)
page=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$data/man/quintor-join.1" 2>/dev/null | col -b)
# The options each defines: the lines that start with one, up to the description.
options() { grep -E '^ +-' | sed -E 's/^ +//; s/  .*//' | grep -oE -- '--?[a-z][a-z-]*' | sort -u; }
statuses() { sed -n "/$1/,\$p" | grep -oE '^ +[0-9]+ ' | tr -d ' ' | sort -n; }
diff <(options <<<"$help") <(options <<<"$page") >"$scratch/d" \
  || fail "options of --help (<) and the manual page (>) differ: $(cat "$scratch/d")"
diff <(statuses 'Exit status' <<<"$help") <(statuses 'EXIT STATUS' <<<"$page") >"$scratch/d" \
  || fail "exit statuses of --help (<) and the manual page (>) differ: $(cat "$scratch/d")"
[ "$(statuses 'Exit status' <<<"$help" | wc -l)" -ge 5 ] || fail "exit statuses not read"

metainfo=("$data"/metainfo/*.metainfo.xml)
appstreamcli validate --no-net "${metainfo[0]}" || fail "software-centre data invalid"
desktop-file-validate "$data/quintor-video-joiner.desktop" || fail "desktop entry invalid"
launched=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "${metainfo[0]}")
[ -f "$data/$launched" ] || fail "launchable $launched is not the desktop entry"
shot=$(identify -format '%wx%h' "$data/metainfo/main-window.png")
grep -q "width=\"${shot%x*}\" height=\"${shot#*x}\"" "${metainfo[0]}" \
  || fail "the screenshot is $shot, not what the data says"
for size in 16 32 48 64 128 256; do
  icon="$data/icons/hicolor/${size}x${size}/apps/quintor-video-joiner.png"
  [ "$(identify -format '%wx%h' "$icon")" = "${size}x${size}" ] || fail "icon $size"
done
[ -f "$data/icons/hicolor/scalable/apps/quintor-video-joiner.svg" ] || fail "scalable icon"

# Completion as bash does it on Tab, with the built program on the PATH.
completion=/usr/share/bash-completion/bash_completion
[ -f "$completion" ] || { echo "bash-completion is not installed" >&2; exit 77; }
mkdir -p "$scratch/files/sub dir"
touch "$scratch/files/a clip.mp4" "$scratch/files/B.MKV" "$scratch/files/notes.txt"
complete_line() {
  (cd "$scratch/files" && PATH="$program_dir:$PATH" bash -c '
    . "$1" && . "$2"
    COMP_LINE=$3; COMP_POINT=${#COMP_LINE}
    eval "COMP_WORDS=($3)"; [[ $3 == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    _quintor_join quintor-join "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"
    printf "%s\n" "${COMPREPLY[@]}" | sort' sh "$completion" "$data/completion/quintor-join" "$1")
}
check() {
  local got
  got=$(complete_line "$1" | paste -sd '|')
  [ "$got" = "$2" ] || fail "completion of \"$1\": \"$got\", not \"$2\""
}
check 'quintor-join --k' '--keep-going'
check 'quintor-join --no-' '--no-chapters|--no-dates|--no-resume'
check 'quintor-join --profile MP4' 'MP4\ -\ H.264\ Video|MP4\ -\ Same\ as\ Source\ \(No\ Re-encoding\)'
check 'quintor-join -o x.mp4 ' 'B.MKV|a clip.mp4|sub dir'
echo "manual pages, software-centre data, desktop entry, icons and completion OK"
