#!/usr/bin/env bash
# Installs what building, running and testing the editor need on Debian 12, where missing.
set -euo pipefail

packages=(cmake g++ make qt6-base-dev libgl-dev libpng-dev zlib1g-dev libgtest-dev
          xvfb xauth xdotool x11-utils openbox imagemagick fonts-dejavu-core acl attr strace libcap2-bin
          pre-commit git python3-jsonschema python3-yaml)
if [[ "${1:-}" == "--fuzz" ]]; then packages+=(clang libclang-rt-14-dev); fi
# The Windows build: the cross compilers, zlib for them, wine to run the result, the source package
# tools that fetch libpng's sources, and nroff and col for the manual as text.
if [[ "${1:-}" == "--windows" ]]; then
  packages+=(mingw-w64 wine wine64 libz-mingw-w64-dev dpkg-dev groff-base bsdextrautils unzip)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""
  [[ $(id -u) -ne 0 ]] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
