#!/usr/bin/env bash
# Builds and runs every benchmark; each prints its measured figures.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset default
cmake --build --preset default -j"$(nproc)"
for b in build/bin/bench_*; do
  echo "== $(basename "$b")"
  "$b"
done
