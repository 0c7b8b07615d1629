#!/bin/bash
# What a screen reader finds: the program under a virtual X server on a session bus of its own
# with the desktop's accessibility bus, read through that bus (pyatspi) as Orca reads it. Every
# button, box, list and bar the program shows must come with a name and its role; the names of
# the main window's commands must be there. Skipped (exit 77) where the bus cannot be started.
set -euo pipefail
bin=$(cd "$1" && pwd)
launcher=$(ls /usr/libexec/at-spi-bus-launcher /usr/lib/at-spi2-core/at-spi-bus-launcher \
  2>/dev/null | head -1 || true)
if [ -z "$launcher" ] || ! command -v dbus-run-session >/dev/null \
  || ! /usr/bin/python3 -c 'import pyatspi' 2>/dev/null; then
  echo "SKIP: no accessibility bus here (at-spi2-core, dbus, python3-pyatspi)"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/program"
cp -r "$bin/quintor-video-joiner" "$bin/Preferences.ini" "$bin/Profiles" "$work/program/"
ln -s "$bin/asapi.dll" "$work/program/asapi.dll"
ffmpeg -v error -f lavfi -i testsrc2=size=320x180:rate=25:duration=1 "$work/clip.mp4"
export QVJ_WORK=$work QVJ_LAUNCHER=$launcher

set +e
xvfb-run -a -s "-screen 0 1280x1024x24" dbus-run-session -- bash -s <<'SESSION'
set -euo pipefail
cd "$QVJ_WORK"
"$QVJ_LAUNCHER" --launch-immediately >bus.log 2>&1 &
sleep 1
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1
QT_QPA_PLATFORM=xcb HOME="$QVJ_WORK" program/quintor-video-joiner clip.mp4 >log 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT
sleep 4
/usr/bin/python3 - <<'PY'
import sys
import pyatspi

desktop = pyatspi.Registry.getDesktop(0)
apps = [a for a in desktop if a is not None and "Quintor" in (a.name or "")]
if not apps:
    print("SKIP: the program did not appear on the accessibility bus")
    sys.exit(77)
named, unnamed, seen = [], [], set()
interactive = {"push button", "toggle button", "combo box", "text", "tree table", "table",
               "progress bar", "check box", "radio button", "link", "tree"}

def walk(node, depth=0):
    if node is None or depth > 40:
        return
    role = node.getRoleName()
    name = (node.name or "").strip()
    # A choice list's own name is the value it shows; what it is for is its label's.
    if role == "combo box":
        name = ""
        for rel in node.getRelationSet():
            if rel.getRelationType() == pyatspi.RELATION_LABELLED_BY:
                name = (rel.getTarget(0).name or "").strip()
    if role in interactive:
        parent = node.parent
        where = "%s in %s '%s'" % (role, parent.getRoleName(), parent.name) if parent else role
        (named if name else unnamed).append((role, name) if name else (where, ""))
        seen.add(name)
    for child in node:
        walk(child, depth + 1)

walk(apps[0])
print("on the bus: %d controls named, %d without a name" % (len(named), len(unnamed)))
for role, name in sorted(set(named)):
    print("  %-14s %s" % (role, name))
for role, name in unnamed:
    print("  UNNAMED %s" % role)
wanted = {"Add Files", "Add Dir", "Settings", "About", "Help", "Task List", "Delete", "Clear",
          "Move Up", "Move Down", "Setting", "Browser", "Open", "Start", "Stop", "Profile:",
          "Output File:", "Current Progress", "Total Progress"}
missing = wanted - seen
if missing or unnamed:
    print("FAIL: missing %s" % sorted(missing))
    sys.exit(1)
PY
SESSION
status=$?
set -e
[ $status -eq 77 ] && { echo "SKIP: the accessibility bus did not answer"; exit 77; }
[ $status -eq 0 ] || { echo "FAIL: the accessibility bus check" >&2; exit 1; }
echo "a screen reader finds every control named"
