#!/usr/bin/env bash
# Builds and runs the live benchmark (bench/live_bench.cpp): offscreen, or with --window in
# a real X window on a virtual X server (Xvfb, started for the run and stopped after), where
# every repaint also goes to the X server. The figures are the program's own either way.
#
#   scripts/bench.sh [--window] [--seconds S] [--frames N]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
window=0
if [ "${1:-}" = "--window" ]; then
  window=1
  shift
fi
cmake --build "$build" --target qrox_bench qrox-sim >/dev/null
if [ "$window" = 1 ]; then
  exec xvfb-run --auto-servernum --server-args="-screen 0 1280x800x24 -nolisten tcp" \
    env QT_QPA_PLATFORM=xcb "$build/qrox_bench" "$@"
fi
exec "$build/qrox_bench" "$@"
