#!/usr/bin/env bash
# Runs the benchmarks under Wine in a private world and prints their figures.
#   bench/run.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
"$root/tools/setup.sh"
BUILD_TARGETS="Corvane capture_bench latency_bench" "$root/tools/build.sh" "$build"
world=$build/bench-world
"$root/tests/world.sh" start "$world" >/dev/null
corvane=
cleanup() {
  [ -n "$corvane" ] && kill "$corvane" 2>/dev/null || true
  "$root/tests/world.sh" stop "$world" >/dev/null
}
trap cleanup EXIT
in_world() { "$root/tests/world.sh" run "$world" "$@"; }

echo "== capture (in process)"
in_world "$root/tests/wine-exe.sh" "$build/bin/capture_bench.exe" | grep -v '^Mode'

echo "== latency (Corvane running, keys through the hook)"
mkdir -p "$build/bench-run"
cd "$build/bench-run"
in_world wine "$build/bin/Corvane.exe" >/dev/null 2>&1 &
corvane=$!
sleep 8
in_world "$root/tests/wine-exe.sh" "$build/bin/latency_bench.exe" 50
