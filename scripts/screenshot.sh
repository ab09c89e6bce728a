#!/usr/bin/env bash
# Builds the editor into build/, opens it on the sample rounds in a private Xvfb with the pointer on
# a palette picture, and saves a picture of its window as docs/screenshot.png.
set -euo pipefail
cd "$(dirname "$0")/.."

if [[ "${1:-}" != "--in-xserver" ]]; then
  scripts/setup.sh
  cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build -j"$(nproc)" --target blastrix-editor with-xserver
  exec build/bin/with-xserver "$0" --in-xserver
fi

work=$(mktemp -d)
editor_pid=""
cleanup() {
  if [[ -n "$editor_pid" ]]; then
    kill "$editor_pid" 2>/dev/null || true
    wait "$editor_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

build/bin/blastrix-editor 2>"$work/editor.log" &
editor_pid=$!
window=""
for _ in $(seq 100); do
  window=$(xdotool search --onlyvisible --name "Round: 1/14" 2>/dev/null | head -n1 || true)
  [[ -n "$window" ]] && break
  kill -0 "$editor_pid" 2>/dev/null || break
  sleep 0.1
done
[[ -n "$window" ]] || { echo "the editor's window did not appear" >&2; cat "$work/editor.log" >&2; exit 1; }
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$window")"

# Over the bomb of the palette (client 8,240, 14 x 18) the status bar tells what a double-click does.
xdotool mousemove $((X + 15)) $((Y + 249))
sleep 1

mkdir -p docs
import -silent -window "$window" "png:$work/screenshot.png"
mv "$work/screenshot.png" docs/screenshot.png
echo "docs/screenshot.png: $(identify -format '%wx%h' docs/screenshot.png)"
