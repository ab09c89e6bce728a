#!/usr/bin/env bash
# Builds and runs every test. With --sanitize, in build-asan/ under AddressSanitizer and UndefinedBehaviorSanitizer.
# With --tool-only, builds blastrix-level alone in build-tool/, with neither Qt nor the editor, and tries it.
# With --windows, cross-builds for Windows in build-windows/ and runs the tests under wine (scripts/test-windows.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
if [[ "${1:-}" == "--windows" ]]; then exec scripts/test-windows.sh; fi
scripts/setup.sh

dir=build
flags=(-DCMAKE_BUILD_TYPE=Release -DBLASTRIX_TESTS=ON -DBLASTRIX_EDITOR=ON)
if [[ "${1:-}" == "--sanitize" ]]; then
  dir=build-asan
  flags=(-DCMAKE_BUILD_TYPE=Debug -DBLASTRIX_TESTS=ON -DBLASTRIX_EDITOR=ON -DBLASTRIX_SANITIZE=ON)
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
  export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
fi
if [[ "${1:-}" == "--tool-only" ]]; then
  cmake -S . -B build-tool -DCMAKE_BUILD_TYPE=Release -DBLASTRIX_EDITOR=OFF -DBLASTRIX_RENDER=OFF -DBLASTRIX_TESTS=OFF >/dev/null
  cmake --build build-tool -j"$(nproc)" --target blastrix-level
  ! ldd build-tool/bin/blastrix-level | grep -i qt || { echo "blastrix-level links Qt" >&2; exit 1; }
  build-tool/bin/blastrix-level check >/dev/null
  status=0
  message=$(build-tool/bin/blastrix-level render 1 -o /dev/null 2>&1) || status=$?
  [[ $status -eq 2 && $message == *"built without Qt Gui"* ]] || { echo "render without Qt Gui: $status $message" >&2; exit 1; }
  exit 0
fi
cmake -S . -B "$dir" "${flags[@]}" >/dev/null
cmake --build "$dir" -j"$(nproc)"
cd "$dir"
ctest --output-on-failure -j"$(nproc)" --timeout 600
