#!/usr/bin/env bash
# Installs what is missing, configures, builds and runs every test with CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --workflow --preset default
