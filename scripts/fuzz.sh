#!/usr/bin/env bash
# Builds the fuzz targets of tests/fuzz as libFuzzer programs (clang 14, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs them.
#   bash scripts/fuzz.sh                      every target for 600 seconds, one after the other
#   bash scripts/fuzz.sh list_read_fuzz 60    one target for 60 seconds
# New inputs go to build/fuzz-work/<target>; findings (crash-*, timeout-*, leak-*) land in the
# working directory build/fuzz-work. Add a finding to tests/fuzz/corpus/<target> once it is fixed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
packages=(clang-14 libclang-rt-14-dev)
missing=()
for p in "${packages[@]}"; do dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p"); done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
  "${sudo[@]}" apt-get update
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
fi

build=build/fuzzers
cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 -DSIMPLEX_BENCH=OFF \
  -DSIMPLEX_SANITIZE=ON -DSIMPLEX_FUZZ=ON -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link -DSIMPLEX_FUZZ_LIMITS"
targets=("${1:-}")
if [ -z "${targets[0]}" ]; then
  targets=()
  for f in tests/fuzz/*_fuzz.cpp; do targets+=("$(basename "$f" .cpp)"); done
fi
seconds=${2:-600}
cmake --build "$build" -j2 --target "${targets[@]}"

mkdir -p build/fuzz-work
for t in "${targets[@]}"; do
  mkdir -p "build/fuzz-work/$t"
  echo "== $t for $seconds s"
  (cd build/fuzz-work && ASAN_OPTIONS=allocator_may_return_null=1 \
    "../../$build/$t" -jobs=1 -workers=1 -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 "$t" "../../tests/fuzz/corpus/$t")
done
