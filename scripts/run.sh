#!/usr/bin/env bash
# Installs what is missing, builds, and starts the tool on the built-in simulated sensor.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/build.sh" "$root/build"
exec "$root/build/qrox" --port sim "$@"
