#!/usr/bin/env bash
# Installs what is missing, builds, starts the simulated instrument with demo records on COM1 and
# Trans430 connected to it. Choose "Com 1" in the port dialog. Ends the simulator when Trans430 ends.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset default
cmake --build --preset default -j"$(nproc)"

bin=build/bin
for program in qelt430-sim Trans430; do
  if [ ! -x "$bin/$program" ]; then
    echo "demo: $program is not built yet; the demo needs the simulator and the main window." >&2
    exit 1
  fi
done

log=$(mktemp)
"$bin/qelt430-sim" --demo --port 1 >"$log" 2>&1 &
sim=$!
trap 'kill $sim 2>/dev/null || true; wait $sim 2>/dev/null || true; rm -f "$log"' EXIT
for _ in $(seq 100); do
  grep -q 'COM1' "$log" 2>/dev/null && break
  sleep 0.1
done
cat "$log"
"$bin/Trans430"
