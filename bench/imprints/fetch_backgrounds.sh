#!/usr/bin/env bash
# Fetches the real photos the imprint test set is cut from: Debian packages of wallpapers and
# sample pictures (see README.md beside this script for each one's licence), unpacked into
# DIR/packages, the chosen photos copied flat into DIR/photos.
#   fetch_backgrounds.sh DIR
set -euo pipefail
dir=${1:?usage: fetch_backgrounds.sh DIR}
mkdir -p "$dir/debs" "$dir/packages" "$dir/photos"
packages=(mate-backgrounds plasma-workspace-wallpapers lomiri-wallpapers-16.04 python3-skimage)
cd "$dir/debs"
for p in "${packages[@]}"; do
  ls "${p}"_*.deb >/dev/null 2>&1 || apt-get download "$p"
done
for deb in *.deb; do dpkg-deb -x "$deb" ../packages; done
cd ../packages
copy() { cp -f "$1" "../photos/$2"; }
# The largest photo of each wallpaper; Path, Dune, Bridge and friends are the shared photos.
for d in usr/share/wallpapers/*/contents/images; do
  name=$(basename "$(dirname "$(dirname "$d")")")
  [ "$name" = Path ] && continue
  f=$(ls -S "$d"/*.jpg 2>/dev/null | head -1) || true
  [ -n "$f" ] && copy "$f" "plasma-$name.jpg"
done
for f in usr/share/backgrounds/mate/nature/*.jpg; do
  [ "$(basename "$f")" = Dune.jpg ] || copy "$f" "mate-$(basename "$f")"
done
for f in usr/share/backgrounds/*.jpg; do
  case $(basename "$f") in Bridge_*|friends_*) ;; *) copy "$f" "lomiri-$(basename "$f")" ;; esac
done
for f in chelsea.png rocket.jpg motorcycle_left.png retina.jpg hubble_deep_field.jpg coins.png \
         text.png camera.png brick.png grass.png gravel.png; do
  copy "usr/lib/python3/dist-packages/skimage/data/$f" "skimage-$f"
done
ls ../photos | wc -l
