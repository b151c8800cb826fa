#!/usr/bin/env bash
# Configures and builds one configuration: "release" (default) or "asan".
set -euo pipefail
cd "$(dirname "$0")/.."
config=${1:-release}
case "$config" in
  release) flags=(-DSIMPLEX_SANITIZE=OFF) ;;
  asan) flags=(-DSIMPLEX_SANITIZE=ON -DSIMPLEX_BENCH=OFF) ;;
  *) echo "usage: $0 [release|asan]" >&2; exit 2 ;;
esac
cmake -S . -B "build/$config" -G Ninja "${flags[@]}" >/dev/null
cmake --build "build/$config" -j "$(nproc)"
