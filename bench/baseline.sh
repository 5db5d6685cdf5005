#!/usr/bin/env bash
# Builds the programs of the baseline commit the speed benchmark compares against, from a git
# worktree of their own: build-baseline is their build tree (the programs in build-baseline/bin)
# and build-baseline/src the sources. git ignores it, and the include rules' test passes over it
# as it does over every build tree. Run again, it only rebuilds what is missing.
#
#   bench/baseline.sh [COMMIT]      (default e8a5f5a)
set -euo pipefail
commit=${1:-e8a5f5a}
root=$(git -C "$(dirname "$0")/.." rev-parse --show-toplevel)
src=$root/build-baseline/src
out=$root/build-baseline
jobs=${JOBS:-$(nproc)}

if [ ! -e "$src/.git" ]; then
    mkdir -p "$root/build-baseline"
    git -C "$root" worktree prune
    git -C "$root" worktree add --detach "$src" "$commit" >/dev/null
fi
if [ "$(git -C "$src" rev-parse HEAD)" != "$(git -C "$root" rev-parse "$commit^{commit}")" ]; then
    git -C "$src" checkout --detach "$commit" >/dev/null
fi
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$src" -B "$out" -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" >/dev/null
cmake --build "$out" -j "$jobs" --target brisvane-inpaint brisvane-convert brisvane-live-bench
