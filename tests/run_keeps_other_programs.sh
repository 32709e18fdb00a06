#!/bin/sh
# scripts/run, run headless while another Wine program of the same prefix runs
# (a second copy of the program, say, with unsaved edits): it takes its
# screenshot, closes its own program and leaves the other one running.
# Run from CTest under a display: SOURCE_DIR BINARY_DIR.
source_dir=$1; binary_dir=$2
: "${WINEPREFIX:=$source_dir/wineprefix}"; export WINEPREFIX
work=$(mktemp -d /tmp/velka-run-test.XXXXXX)
other=""
cleanup() {
  [ -z "$other" ] || kill "$other" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
# A checkout of scripts/run whose set-up builds nothing: the build is done.
mkdir -p "$work/scripts" "$work/build"
cp "$source_dir/scripts/run" "$work/scripts/run"
printf '#!/bin/sh\n' >"$work/scripts/setup"
chmod +x "$work/scripts/run" "$work/scripts/setup"
ln -s "$source_dir/tools" "$work/tools"
ln -s "$binary_dir/velkaviewer.exe.so" "$work/build/velkaviewer.exe.so"

"$source_dir/tools/wine-run" notepad.exe >/dev/null 2>&1 &
other=$!
sleep 2
kill -0 "$other" 2>/dev/null || { echo "the other program did not start"; exit 1; }
DISPLAY= "$work/scripts/run" || { echo "scripts/run failed"; cat "$work/build/run.log"; exit 1; }
[ -s "$work/build/screenshot.png" ] || { echo "no screenshot"; exit 1; }
sleep 1
kill -0 "$other" 2>/dev/null || { echo "scripts/run stopped the other program"; exit 1; }
echo "the other program runs on"
