#!/usr/bin/env bash
# Installs the Debian packages the build, the tests (the journal's PostgreSQL server too),
# the package check and the real-window check need.
# Idempotent: installs only what is missing. Runs as root (or through sudo).
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build clang-format
  qt6-base-dev qt6-serialport-dev qt6-tools-dev libqt6opengl6-dev libqcustomplot-dev
  qt6-svg-dev
  libgtest-dev libgmock-dev
  libqt6sql6-sqlite libqt6sql6-psql postgresql
  xvfb xauth xdotool imagemagick
  dpkg-dev file desktop-file-utils appstream librsvg2-bin lintian
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
