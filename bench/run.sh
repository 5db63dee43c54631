#!/usr/bin/env bash
# Runs every benchmark built into the given build folder (default: build).
set -euo pipefail
build=${1:-build}
status=0
# The whole run stays under a quarter of an hour: the benches that measure
# over time do so for a minute and time eight reminders, unless told
# otherwise. Run one alone for its own, longer default.
export ZELVO_BENCH_SECONDS=${ZELVO_BENCH_SECONDS:-60}
export ZELVO_BENCH_REMINDERS=${ZELVO_BENCH_REMINDERS:-8}
for b in "$build"/bench/*/bench_*; do
  # Only the programs: CMake also leaves bench_*_autogen folders here.
  [ -f "$b" ] && [ -x "$b" ] || continue
  name=$(basename "$b")
  echo "== $name"
  seconds=$ZELVO_BENCH_SECONDS
  # Its goal of 0.01 % of a core needs more than a minute of 10 ms ticks.
  [ "$name" = bench_wakeups ] && [ "$seconds" -lt 180 ] && seconds=180
  ZELVO_BENCH_SECONDS=$seconds QT_QPA_PLATFORM=offscreen "$b" || status=1
done
exit $status
