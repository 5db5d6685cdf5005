#!/usr/bin/env bash
# Installs on Debian what Brisvane needs, and only what is missing.
#   scripts/setup.sh [group...]     groups: build (the default), ci, bench, package, ui
# build: compile, test and run; ci: what the CI run checks beyond that (formatting);
# bench: the benchmarks' reference methods; package: the Debian package; ui: driving the real
# program in a virtual display for screenshots.
# Works as root or through sudo; touches nothing that is already installed.
#   scripts/setup.sh          what building, testing and running need
#   scripts/setup.sh bench    also what the benchmarks need (make bench)
set -euo pipefail

declare -A groups=(
  [build]="cmake g++ make pkg-config qt6-base-dev qt6-base-dev-tools libgif-dev libjpeg-dev libexiv2-dev zlib1g-dev fonts-liberation"
  [ci]="clang-format"
  [bench]="python3 python3-numpy python3-opencv python3-pil"
  [package]="dpkg-dev file"
  [ui]="xvfb xauth xdotool imagemagick"
)
# OpenCV's Telea fill, the diffusion baseline that brisvane-quality-bench compares against.
if [ "${1:-}" = bench ]; then
  packages+=(python3-opencv)
fi

wanted=("$@")
[ ${#wanted[@]} -eq 0 ] && wanted=(build)
packages=()
for group in "${wanted[@]}"; do
  if [ -z "${groups[$group]+set}" ]; then
    echo "setup: unknown group '$group' (build, ci, bench, package, ui)" >&2
    exit 2
  fi
  read -r -a list <<<"${groups[$group]}"
  packages+=("${list[@]}")
done

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
