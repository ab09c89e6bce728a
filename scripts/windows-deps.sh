#!/usr/bin/env bash
# Builds the libraries the Windows build needs and Debian has not for mingw-w64 (libpng from Debian's
# own source package, GoogleTest from /usr/src/googletest) into DIR, once: DIR/.done marks them built.
set -euo pipefail
prefix=$1
[[ -f "$prefix/.done" ]] && exit 0
toolchain=$(cd "$(dirname "$0")/.." && pwd)/cmake/mingw-w64-x86_64.cmake
work=$prefix/src
rm -rf "$work"
mkdir -p "$work"
export BLASTRIX_WINDOWS_PREFIX=$prefix

# apt-get source needs the archive's source lines: those of the archive the machine already uses.
if ! apt-get source --print-uris libpng1.6 >/dev/null 2>&1; then
  sudo=""
  [[ $(id -u) -ne 0 ]] && sudo="sudo"
  if [[ -f /etc/apt/sources.list.d/debian.sources ]]; then
    # The security archive keeps no sources of older builds, and asking it fails the download.
    awk -v RS= -v ORS='\n\n' '!/security/ { sub(/Types: deb\n/, "Types: deb-src\n"); print }' \
      /etc/apt/sources.list.d/debian.sources |
      $sudo tee /etc/apt/sources.list.d/blastrix-deb-src.sources >/dev/null
  else
    grep -h '^deb ' /etc/apt/sources.list | grep -v security | sed 's/^deb /deb-src /' |
      $sudo tee /etc/apt/sources.list.d/blastrix-deb-src.list >/dev/null
  fi
  $sudo apt-get update -qq
fi
(cd "$work" && apt-get source -qq libpng1.6 >/dev/null 2>&1)
png_src=$(find "$work" -maxdepth 1 -type d -name 'libpng1.6-*' | head -1)
cmake -S "$png_src" -B "$work/png-build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
  -DSKIP_INSTALL_PROGRAMS=ON -DSKIP_INSTALL_FILES=ON >/dev/null
cmake --build "$work/png-build" -j"$(nproc)" >/dev/null
cmake --install "$work/png-build" >/dev/null

cmake -S /usr/src/googletest -B "$work/gtest-build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_GMOCK=OFF >/dev/null
cmake --build "$work/gtest-build" -j"$(nproc)" >/dev/null
cmake --install "$work/gtest-build" >/dev/null
rm -rf "$work"
touch "$prefix/.done"
