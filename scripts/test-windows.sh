#!/usr/bin/env bash
# Cross-builds the libraries, blastrix-level and their tests for 64-bit Windows in build-windows/, runs
# them under wine (the level and PNG tests as Windows programs, the command-line tests of build/
# against blastrix-level.exe, which also compare its answers with this host's build), then packs the
# zip and tries it unpacked alone in a folder named "jeu été".
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$root/build-windows
scripts/setup.sh --windows

SECONDS=0
scripts/windows-deps.sh "$out/deps"
export BLASTRIX_WINDOWS_PREFIX=$out/deps
cmake -S . -B "$out/build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release \
  -DBLASTRIX_EDITOR=OFF -DBLASTRIX_TESTS=ON >/dev/null
cmake --build "$out/build" -j"$(nproc)" --target blastrix-level level_tests png_tests blastrix-level-manual
# The command-line tests drive the tool from this host, as a user's shell would.
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DBLASTRIX_TESTS=ON -DBLASTRIX_EDITOR=ON >/dev/null
cmake --build build -j"$(nproc)" --target cli_tests blastrix-level
echo "cross-build: $SECONDS s"

exe=$out/build/bin/blastrix-level.exe
export WINEPREFIX=$out/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# One wine server for every run: a cold start costs seconds a process. Its background services
# would hold the first test's output open, so a first run with its output elsewhere starts them.
mkdir -p "$WINEPREFIX"
wineserver -p
trap 'wineserver -k' EXIT
wineboot --init >/dev/null 2>&1 </dev/null
wine "$exe" codes >/dev/null 2>&1 </dev/null || true

SECONDS=0
(cd "$out/build/bin" && wine level_tests.exe --gtest_brief=1 && wine png_tests.exe --gtest_brief=1)
BLASTRIX_WINDOWS_TOOL=$exe build/bin/cli_tests --gtest_brief=1
echo "tests under wine: $SECONDS s"

# The package holds every file it needs: unpacked alone, it checks and saves its own rounds.
(cd "$out/build" && cpack >/dev/null)
zip=$(ls "$out"/build/blastrix-level-*-win64.zip)
if x86_64-w64-mingw32-objdump -p "$exe" | grep 'DLL Name' | grep -viE 'kernel32|msvcrt|shell32'; then
  echo "blastrix-level.exe needs a DLL that Windows has not" >&2
  exit 1
fi
trial=$(mktemp -d)
folder="$trial/jeu été"
mkdir "$folder"
unzip -q "$zip" -d "$folder"
(cd "$folder" && wine blastrix-level.exe check >"$trial/check.txt")
grep -q '^14 rounds checked: 0 errors' "$trial/check.txt"
printf 'start,320,120\nbomba,200,40\n' >"$folder/levels/Level4.lev"
(cd "$trial" && wine "$folder/blastrix-level.exe" -C "jeu été" resave 4 >/dev/null)
[[ $(cat "$folder/levels/Level4.lev") == $'start,320,120\r\nbomba,200,40,14,18,1,500\r' ]]
rm -rf "$trial"
echo "$(basename "$zip"): unpacked in a folder named 'jeu été', it checks and saves its rounds under wine"
