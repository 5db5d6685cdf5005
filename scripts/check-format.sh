#!/usr/bin/env bash
# Fails, naming the files, when a C++ source differs from what clang-format makes of it.
set -euo pipefail
cd "$(dirname "$0")/.."
bad=()
while IFS= read -r file; do
  if ! clang-format --dry-run -Werror "$file" >/dev/null 2>&1; then bad+=("$file"); fi
done < <(git ls-files '*.cpp' '*.h')
if [ ${#bad[@]} -gt 0 ]; then
  echo "Not formatted (run clang-format -i on them):" >&2
  printf '  %s\n' "${bad[@]}" >&2
  exit 1
fi
echo "Formatting: every C++ source as clang-format makes it."
