#!/usr/bin/env bash
# Sets up the machine, builds Corvane.exe and fifo.dll and makes the release
# zip, BUILD_DIR/Corvane-<version>-win32.zip (the two and readme.txt).
#   tools/package.sh [BUILD_DIR] [extra cmake -D options]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
shift || true
"$root/tools/setup.sh"
BUILD_TARGETS=${BUILD_TARGETS:-"Corvane fifo"} "$root/tools/build.sh" "$build" "$@"
cd "$build"
cpack --config CPackConfig.cmake
