#!/usr/bin/env bash
# Sets up the machine, builds Corvane and runs it under Wine on a private X
# display (or on $DISPLAY when CORVANE_DISPLAY=host), from run/ in the build
# tree, where it keeps setting.dat. Ends when Corvane ends (tray menu, Exit).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
"$root/tools/setup.sh"
"$root/tools/build.sh" "$build"
world=$build/world
"$root/tests/world.sh" start "$world"
trap '"$root/tests/world.sh" stop "$world"' EXIT
mkdir -p "$build/run"
cp "$build/bin/Corvane.exe" "$build/bin/fifo.dll" "$build/run/"
cd "$build/run"
echo "run: Corvane on display :$(cat "$world/display") (xdotool, or x11vnc to look at it)"
"$root/tests/world.sh" run "$world" wine ./Corvane.exe
