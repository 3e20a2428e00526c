#!/usr/bin/env bash
# Runs the benchmarks under Wine in a private world and prints their figures.
#   bench/run.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(mkdir -p "${1:-$root/build}" && cd "${1:-$root/build}" && pwd)
"$root/tools/setup.sh"
BUILD_TARGETS="Corvane capture_bench latency_bench load_bench hook_bench startup_bench" \
  "$root/tools/build.sh" "$build"
world=$build/bench-world
"$root/tests/world.sh" start "$world" >/dev/null
corvane=
notepad=
cleanup() {
  [ -n "$corvane" ] && kill "$corvane" 2>/dev/null || true
  [ -n "$notepad" ] && kill "$notepad" 2>/dev/null || true
  "$root/tests/world.sh" stop "$world" >/dev/null
}
trap cleanup EXIT
in_world() { "$root/tests/world.sh" run "$world" "$@"; }
# Drops the programs' own trace lines (mode changes, start-up messages).
figures() { grep -v -e '^Mode' -e '^through message' || true; }
started=$(date +%s)

echo "== capture (in process)"
in_world "$root/tests/wine-exe.sh" "$build/bin/capture_bench.exe" | figures

echo "== load and leaks (in process, 10,000 captures and pastes per mode)"
in_world "$root/tests/wine-exe.sh" "$build/bin/load_bench.exe" 10000 | figures

echo "== keyboard hook cost in another program (hook installed by a second process)"
in_world "$root/tests/wine-exe.sh" "$build/bin/hook_bench.exe" 200 10

echo "== start-up to the tray icon"
in_world "$root/tests/wine-exe.sh" "$build/bin/startup_bench.exe" 5

echo "== latency (Corvane running, keys through the hook)"
mkdir -p "$build/bench-run"
cd "$build/bench-run"
in_world wine "$build/bin/Corvane.exe" >/dev/null 2>&1 &
corvane=$!
sleep 8
in_world "$root/tests/wine-exe.sh" "$build/bin/latency_bench.exe" 50

echo "== idle wake-ups (Corvane idle beside an idle notepad, same 60 s)"
in_world wine 'C:\windows\syswow64\notepad.exe' >/dev/null 2>&1 &
notepad=$!
# The Linux process (qemu-i386 running the Wine loader) of the program whose
# command line ends in $1 and that belongs to this world's prefix.
world_pid() {
  local p
  for p in $(pgrep -u "$(id -u)" -f "$1\$"); do
    if tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$world/prefix"; then
      echo "$p"
      return
    fi
  done
}
# Voluntary and involuntary context switches of every thread of the process.
switches() {
  cat /proc/"$1"/task/*/status 2>/dev/null | awk '/^(non)?voluntary_ctxt_switches/ { n += $2 } END { print n + 0 }'
}
threads() { ls /proc/"$1"/task | wc -l; }
sleep 12
cpid=$(world_pid 'Corvane\.exe')
npid=$(world_pid 'notepad\.exe')
if [ -z "$cpid" ] || [ -z "$npid" ]; then
  echo "Corvane ($cpid) or notepad ($npid) not found"
else
  c0=$(switches "$cpid") n0=$(switches "$npid")
  sleep 60
  c1=$(switches "$cpid") n1=$(switches "$npid")
  # notepad is idle too, but its edit control's caret blinks: a timer and a
  # repaint twice a second, which is what an idle window with a caret costs.
  echo "context switches in 60 s, all threads of the Linux process (qemu-i386 running Wine):"
  echo "  Corvane $((c1 - c0)) (pid $cpid, $(threads "$cpid") threads, $c1 since its start);" \
    "notepad $((n1 - n0)) (pid $npid, $(threads "$npid") threads, $n1 since its start)"
fi
echo "== total $(( $(date +%s) - started )) s"
