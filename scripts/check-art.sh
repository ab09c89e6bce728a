#!/usr/bin/env bash
# Builds tools/paintart, paints the artwork and the sample files into a scratch folder, and fails
# if any of them differs from the committed one.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build-tools -DCMAKE_BUILD_TYPE=Release -DBLASTRIX_TOOLS=ON -DBLASTRIX_EDITOR=OFF -DBLASTRIX_TESTS=OFF >/dev/null
cmake --build build-tools -j"$(nproc)" --target paintart
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
build-tools/bin/paintart "$scratch"
status=0
count=0
while IFS= read -r -d '' painted; do
  relative=${painted#"$scratch"/}
  count=$((count + 1))
  if ! cmp -s "$painted" "$relative"; then
    echo "check-art: $relative differs from what tools/paintart paints" >&2
    status=1
  fi
done < <(find "$scratch" -type f -print0)
echo "check-art: $count painted files compared"
exit $status
