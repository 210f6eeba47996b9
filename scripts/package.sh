#!/usr/bin/env bash
# Installs what is missing, builds, and makes the Debian package build/qrox_VERSION_ARCH.deb
# (cpack -G DEB). With --install it then installs the package with apt.
# Usage: scripts/package.sh [--install]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"
bash "$root/scripts/build.sh" "$build"
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls -t "$build"/qrox_*.deb | head -n 1)
echo "package: $deb"
if [ "${1:-}" = "--install" ]; then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  $SUDO apt-get install -y -qq "$deb"
fi
