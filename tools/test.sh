#!/usr/bin/env bash
# Sets up the machine, builds everything and runs every test under Wine.
#   tools/test.sh [ctest options, e.g. -R unit]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
"$root/tools/setup.sh"
werror=OFF
[ -n "${CI:-}" ] && werror=ON
"$root/tools/build.sh" "$build" -DCORVANE_WERROR=$werror
cd "$build"
ctest --output-on-failure "$@"
