#!/usr/bin/env bash
# Renders the application icon's PNG sizes from its SVG (needs rsvg-convert, Debian: librsvg2-bin).
# The PNGs are committed; run this again after changing the SVG.
set -euo pipefail
icons="$(dirname "$0")/../resources/desktop/icons/hicolor"
svg="$icons/scalable/apps/example.brisvane.Brisvane.svg"
for size in 16 24 32 48 64 128 256; do
  mkdir -p "$icons/${size}x${size}/apps"
  rsvg-convert -w "$size" -h "$size" "$svg" -o "$icons/${size}x${size}/apps/example.brisvane.Brisvane.png"
done
