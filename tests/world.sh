#!/usr/bin/env bash
# The private world the tests run in: an Xvfb display and a Wine prefix under
# the given directory, with a persistent wineserver.
#
#   world.sh start DIR      start Xvfb, create the prefix once, start wineserver
#   world.sh run DIR CMD..  run CMD with DISPLAY, WINEPREFIX and friends set
#   world.sh stop DIR       stop this prefix's wineserver and this Xvfb
#
# The prefix is a 64-bit one: its wineserver and explorer (desktop and tray)
# run as native code, while Corvane, fifo.dll, notepad and the test programs
# are 32-bit Windows code, as on 64-bit Windows. See tools/setup.sh for how
# 32-bit code runs on a machine whose kernel cannot execute it.
set -euo pipefail
cmd=${1:?start, run or stop}
dir=$(mkdir -p "${2:?world directory}" && cd "$2" && pwd)
shift 2

world_env() {
  export WINEPREFIX="$dir/prefix" WINEARCH=win64 WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  # qemu-i386 tracks every page the guest reserves; Wine reserves all memory
  # above 2 GB, which makes each start take a minute. A guest space of 2 GB
  # plus 16 MB keeps Wine content (it checks that it can map above 2 GB).
  export QEMU_RESERVED_VA=0x81000000
  [ -f "$dir/display" ] && export DISPLAY=":$(cat "$dir/display")"
  export LC_ALL=C.UTF-8
}

case "$cmd" in
start)
  world_env
  if [ -f "$dir/xvfb.pid" ] && kill -0 "$(cat "$dir/xvfb.pid")" 2>/dev/null; then
    echo "world: Xvfb already running on :$(cat "$dir/display")"
  else
    rm -f "$dir/display"
    exec 3>"$dir/display.tmp"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset </dev/null >"$dir/xvfb.log" 2>&1 &
    echo $! >"$dir/xvfb.pid"
    exec 3>&-
    for _ in $(seq 100); do [ -s "$dir/display.tmp" ] && break; sleep 0.1; done
    [ -s "$dir/display.tmp" ] || { echo "world: Xvfb did not start"; cat "$dir/xvfb.log"; exit 1; }
    tr -d '\n' <"$dir/display.tmp" >"$dir/display"
    rm -f "$dir/display.tmp"
    echo "world: Xvfb on :$(cat "$dir/display")"
  fi
  world_env
  # Japanese face names map to the Japanese fonts that tools/setup.sh
  # installs: the fixed-pitch "MS Gothic" to IPAGothic, the proportional
  # dialog faces to IPAPGothic (with a fixed-pitch stand-in, labels sized for
  # the real face are cut). A prefix made with other settings is made again.
  fonts='REGEDIT4

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]
"MS Gothic"="IPAGothic"
"MS UI Gothic"="IPAPGothic"
"MS Shell Dlg"="IPAPGothic"
"MS Shell Dlg 2"="IPAPGothic"
'
  if ! printf '%s' "$fonts" | cmp -s - "$dir/prefix/.corvane-ready"; then
    rm -rf "$dir/prefix"
    echo "world: creating the Wine prefix"
    start=$(date +%s)
    timeout 600 wine wineboot -i </dev/null >"$dir/wineboot.log" 2>&1
    timeout 120 wineserver -w
    printf '%s' "$fonts" >"$dir/fonts.reg"
    timeout 300 wine regedit /S "$dir/fonts.reg" </dev/null >>"$dir/wineboot.log" 2>&1
    timeout 120 wineserver -w
    printf '%s' "$fonts" >"$dir/prefix/.corvane-ready"
    echo "world: prefix ready in $(( $(date +%s) - start )) s"
  fi
  # Keep one wineserver for the whole run: each program then starts faster.
  # Nothing that outlives this script may hold its output open: CTest reads
  # it until the last writer is gone.
  # It refuses (and exits non-zero) when this prefix's server already runs.
  wineserver -p </dev/null >/dev/null 2>&1 || true
  # The long-lived helpers (services, and explorer for the desktop and the
  # tray) inherit the standard handles of the program that brought them up;
  # bring them up here, detached, so that no test's output stays open.
  timeout 120 wine cmd /c exit </dev/null >/dev/null 2>&1 || true
  setsid wine explorer /desktop </dev/null >/dev/null 2>&1 &
  ;;
run)
  world_env
  [ -n "${DISPLAY:-}" ] || { echo "world: not started"; exit 1; }
  exec "$@"
  ;;
stop)
  world_env
  timeout 60 wineserver -k 2>/dev/null || true
  if [ -f "$dir/xvfb.pid" ]; then
    kill "$(cat "$dir/xvfb.pid")" 2>/dev/null || true
    rm -f "$dir/xvfb.pid" "$dir/display"
  fi
  echo "world: stopped"
  ;;
*)
  echo "usage: world.sh start|run|stop DIR [CMD...]" >&2
  exit 2
  ;;
esac
