#!/usr/bin/env bash
# Configures and builds one configuration: "release" (default) or "asan"; every target, or
# only the targets named after it.
set -euo pipefail
cd "$(dirname "$0")/.."
config=${1:-release}
shift || true
case "$config" in
  release) flags=(-DSIMPLEX_SANITIZE=OFF) ;;
  asan) flags=(-DSIMPLEX_SANITIZE=ON -DSIMPLEX_BENCH=OFF) ;;
  *) echo "usage: $0 [release|asan]" >&2; exit 2 ;;
esac
# A compiler cache, where one is installed, lets several checkouts share their compiled objects.
if command -v ccache >/dev/null 2>&1; then flags+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B "build/$config" -G Ninja "${flags[@]}" >/dev/null
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake --build "build/$config" -j "$(nproc)" "${targets[@]}"
