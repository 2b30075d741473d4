#!/usr/bin/env bash
# Sets up, builds and scans the demo environment: a small Wine-style prefix
# (build/demo/prefix, made from demo/environment.txt) with one planted threat
# for every scan area and every check, next to clean look-alikes.
#
# It scans twice, as a user would across an update of the definitions: first
# with the Addition.def of before the update, then with the shipped one. The
# second scan finds every planted object; the file it had seen clean before is
# checked only against the update, which finds it (check 13).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh

demo=build/demo
rm -rf "$demo/prefix" "$demo/program" "$demo/data"
"$demo/veridon-demo-prefix" demo/environment.txt "$demo/prefix"
mkdir -p "$demo/program" "$demo/data"
cp build/bin/Core.def "$demo/program/"
cp "$demo/Addition-before.def" "$demo/program/Addition.def"
[ -d build/bin/Language ] && cp -r build/bin/Language "$demo/program/"

# The planted running program: it only waits. Started as a program of the demo
# prefix, it is named by that prefix's drive letters (C:\demo\demoproc.exe).
WINEPREFIX="$PWD/$demo/prefix" "$demo/prefix/drive_c/demo/demoproc.exe" &
waiter=$!
trap 'kill "$waiter" 2>/dev/null || true' EXIT

scan() {
    build/bin/veridon-scan --prefix "$demo/prefix" --program-dir "$demo/program" \
        --data-dir "$demo/data" "$@"
}

echo "== Smart scan of the demo environment, before the definition update"
status=0
scan >/dev/null || status=$?
[ "$status" -le 1 ] || exit "$status"

echo "== The update arrives (Addition.def)"
cp build/bin/Addition.def "$demo/program/Addition.def"

echo "== Smart scan of the demo environment"
status=0
scan "$@" || status=$?
case "$status" in
0) echo "Nothing found." ;;
1) echo "Threats found. Remove them with: build/bin/veridon-scan --prefix $demo/prefix --program-dir $demo/program --data-dir $demo/data --remove" ;;
*) exit "$status" ;;
esac
