#!/usr/bin/env bash
# Builds the editor into build/ and opens it on the sample rounds.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target blastrix-editor
exec build/bin/blastrix-editor
