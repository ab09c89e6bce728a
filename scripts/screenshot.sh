#!/usr/bin/env bash
# Builds the editor into build/, opens it on the sample rounds in a private Xvfb with the pointer on
# a palette picture, and saves a picture of its window as docs/screenshot.png.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target blastrix-editor

work=$(mktemp -d)
server_pid=""
editor_pid=""
cleanup() {
  if [[ -n "$editor_pid" ]]; then
    kill "$editor_pid" 2>/dev/null || true
    wait "$editor_pid" 2>/dev/null || true
  fi
  if [[ -n "$server_pid" ]]; then
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

# The first free display from :90 on; the server writes its number to fd 3 once it accepts clients.
display=""
for n in $(seq 90 129); do
  [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] && continue
  Xvfb ":$n" -nolisten tcp -screen 0 1024x768x24 -displayfd 3 3>"$work/ready" 2>"$work/xvfb.log" &
  server_pid=$!
  for _ in $(seq 50); do
    [[ -s "$work/ready" ]] && break
    kill -0 "$server_pid" 2>/dev/null || break
    sleep 0.1
  done
  if [[ -s "$work/ready" ]]; then
    display=":$n"
    break
  fi
  kill "$server_pid" 2>/dev/null || true
  wait "$server_pid" 2>/dev/null || true
  server_pid=""
done
[[ -n "$display" ]] || { echo "no X server could be started" >&2; exit 1; }
export DISPLAY="$display" QT_QPA_PLATFORM=xcb

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
