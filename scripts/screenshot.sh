#!/usr/bin/env bash
# Renders Trans430 after start-up against the simulated instrument to a PNG under a virtual
# display, so anyone can look at the main window: scripts/screenshot.sh [out.png]
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-build/trans430.png}")
scripts/setup.sh imagemagick x11-utils xdotool
cmake --preset default >/dev/null
cmake --build --preset default -j"$(nproc)" --target Trans430 qelt430-sim

work=$(mktemp -d)
cleanup() {
  # The program first, and waited for: it must not see its display vanish under it.
  [ -n "${app:-}" ] && { kill "$app" 2>/dev/null; wait "$app" 2>/dev/null; } || true
  [ -n "${sim:-}" ] && kill "$sim" 2>/dev/null || true
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

export DISPLAY=:97
Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
cp build/bin/Trans430 "$work/"
build/bin/qelt430-sim --demo --dir "$work" >"$work/sim.log" 2>&1 &
sim=$!
for _ in $(seq 100); do grep -q COM1 "$work/sim.log" && break; sleep 0.1; done

"$work/Trans430" 2>/dev/null &
app=$!
# The port dialog comes first: "Com 1" is preselected, so Return answers it.
for _ in $(seq 100); do xdotool search --name "Select Com Port" >/dev/null 2>&1 && break; sleep 0.1; done
sleep 0.5
xdotool key --window "$(xdotool search --name 'Select Com Port' | head -1)" Return
for _ in $(seq 200); do xdotool search --onlyvisible --name "Trans430   v0.20" >/dev/null 2>&1 && break; sleep 0.1; done
sleep 1
import -window root "$out"
echo "screenshot: $out"

