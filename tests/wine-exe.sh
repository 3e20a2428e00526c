#!/usr/bin/env bash
# Runs one Windows test program under Wine from its own folder (where
# fifo.dll lies) and passes on its exit code.
set -euo pipefail
exe=${1:?program}
shift
cd "$(dirname "$exe")"
exec timeout 540 wine "./$(basename "$exe")" "$@"
