#!/usr/bin/env bash
# Runs every benchmark built into the given build folder (default: build).
set -euo pipefail
build=${1:-build}
status=0
for b in "$build"/bench/*/bench_*; do
  # Only the programs: CMake also leaves bench_*_autogen folders here.
  [ -f "$b" ] && [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  QT_QPA_PLATFORM=offscreen "$b" || status=1
done
exit $status
