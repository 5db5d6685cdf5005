#!/usr/bin/env bash
# Installs on Debian what building, testing and running Brisvane needs, and only what is missing.
# Works as root or through sudo; touches nothing that is already installed.
#   scripts/setup.sh          what building, testing and running need
#   scripts/setup.sh bench    also what the benchmarks need (make bench)
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6svg6 qt6-image-formats-plugins
  libgif-dev libjpeg-dev
  xvfb xauth xdotool imagemagick fonts-liberation
  dpkg-dev file
)
# OpenCV's Telea fill, the diffusion baseline that brisvane-quality-bench compares against.
if [ "${1:-}" = bench ]; then
  packages+=(python3-opencv)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null 2>&1; then
  as_root=(sudo)
else
  echo "setup: need root or sudo to install: ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
