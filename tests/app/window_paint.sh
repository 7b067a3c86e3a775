#!/usr/bin/env bash
# window_paint.sh DEMO [wine]
#
# Looks at the "Attendere" window on a virtual X display: starts the window
# demo (scenario_window_demo, or its .exe under Wine), waits until its window
# is on the screen, lets a second pass while the demo's thread is busy (as a
# run's is), takes a screenshot and checks that the window holds more than
# its background: the word was painted before the work, not left for an
# event loop that never comes. Needs Xvfb, xwininfo and ImageMagick.
set -euo pipefail

demo="${1:?usage: window_paint.sh DEMO [wine]}"
runner=("${@:2}")
lavoro="$(mktemp -d "${TMPDIR:-/tmp}/scenario-window-paint.XXXXXX")"
xvfb_pid=""
demo_pid=""
finish() {
  [[ -n "$demo_pid" ]] && kill "$demo_pid" 2>/dev/null
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$lavoro"
}
trap finish EXIT

# A display number of its own: Xvfb picks a free one and says which.
Xvfb -displayfd 3 -screen 0 800x600x24 3>"$lavoro/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [[ -s "$lavoro/display" ]] && break; sleep 0.1; done
if [[ ! -s "$lavoro/display" ]]; then echo "window paint: Xvfb did not start"; exit 1; fi
export DISPLAY=":$(head -n1 "$lavoro/display")"

cp "$demo" "$lavoro/"
[[ -f "$(dirname "$demo")/scenario_window.so" ]] && cp "$(dirname "$demo")/scenario_window.so" "$lavoro/"
"${runner[@]}" "$lavoro/$(basename "$demo")" 30 2>/dev/null &
demo_pid=$!

geometry=""
for _ in $(seq 600); do
  geometry="$(xwininfo -root -tree 2>/dev/null | awk '/"scenario": \(/ && $NF ~ /^\+/ {print $(NF-1); exit}')"
  [[ -n "$geometry" ]] && break
  sleep 0.1
done
if [[ -z "$geometry" ]]; then echo "window paint: no window appeared"; exit 1; fi
sleep 1
import -window root "$lavoro/shot.png"
# The window's client area, as xwininfo placed it: WxH+X+Y.
colours="$(convert "$lavoro/shot.png" -crop "$geometry" -format '%k' info:)"
echo "window paint: window $geometry, $colours colours in it"
if ((colours < 3)); then
  echo "window paint: the window is an empty box; its text was not painted"
  exit 1
fi
