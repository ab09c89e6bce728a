#!/usr/bin/env bash
# Runs each fuzz target for the given number of seconds (default 60) in build-fuzz/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
scripts/setup.sh --fuzz
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DBLASTRIX_FUZZ=ON -DBLASTRIX_EDITOR=OFF -DBLASTRIX_TESTS=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target fuzz_linereader fuzz_png fuzz_check fuzz_diff
corpus=build-fuzz/corpus
mkdir -p "$corpus/png" "$corpus/lines" "$corpus/check" "$corpus/diff"
cp levels/*.lev "$corpus/lines/" 2>/dev/null || true
cp levels/*.lev "$corpus/check/" 2>/dev/null || true
for old in levels/*.lev; do
  for new in levels/*.lev; do
    { cat "$old"; printf '\0'; cat "$new"; } >"$corpus/diff/$(basename "$old" .lev)-$(basename "$new" .lev)"
  done
done
cp data/*.png assets/*.png "$corpus/png/" 2>/dev/null || true
build-fuzz/bin/fuzz_linereader -max_total_time="$seconds" -rss_limit_mb=2048 "$corpus/lines"
build-fuzz/bin/fuzz_png -max_total_time="$seconds" -rss_limit_mb=2048 "$corpus/png"
build-fuzz/bin/fuzz_check -max_total_time="$seconds" -rss_limit_mb=2048 "$corpus/check"
build-fuzz/bin/fuzz_diff -max_total_time="$seconds" -rss_limit_mb=2048 "$corpus/diff"
