#!/usr/bin/env bash
# Configures and builds Corvane.exe, fifo.dll and the tests.
#   tools/build.sh [BUILD_DIR] [extra cmake -D options]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
shift || true
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" "$@" >/dev/null
# BUILD_TARGETS: only these targets (e.g. "unit_clip"), not everything.
cmake --build "$build" -j "$(nproc)" ${BUILD_TARGETS:+--target $BUILD_TARGETS}
