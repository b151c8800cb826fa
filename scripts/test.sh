#!/usr/bin/env bash
# Installs what is missing, builds the normal and the sanitizer configuration, runs every test in both.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
status=0
for config in release asan; do
  echo "== $config build"
  bash scripts/build.sh "$config"
  echo "== $config tests"
  ctest --test-dir "build/$config" --output-on-failure -j "$(nproc)" || status=1
done
exit $status
