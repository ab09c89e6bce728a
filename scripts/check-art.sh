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
# Antialiased edges and gradients may round one level apart on another processor, whose floating
# point and vector code differ; a picture passes when no channel of any pixel is further off.
same_pixels() {
  [[ "$1" == *.png ]] || return 1
  local peak
  peak=$(compare -metric PAE "$1" "$2" null: 2>&1 | sed -n 's/.*(\(.*\)).*/\1/p') || true
  [[ -n "$peak" ]] && awk -v p="$peak" 'BEGIN { exit !(p <= 1.0 / 255 + 1e-6) }'
}

status=0
count=0
while IFS= read -r -d '' painted; do
  relative=${painted#"$scratch"/}
  count=$((count + 1))
  if ! cmp -s "$painted" "$relative" && ! same_pixels "$painted" "$relative"; then
    echo "check-art: $relative differs from what tools/paintart paints" >&2
    status=1
  fi
done < <(find "$scratch" -type f -print0)
echo "check-art: $count painted files compared"
exit $status
