#!/usr/bin/env bash
# Times simplex-cli end to end on random matrices of 200 descriptors by N objects (density
# 0.3), next to plain write() loops producing the same number of output bytes (one call per
# 32-byte record, and one per 64 KiB block).
#   bench/cli_timing.sh [BUILD_DIR]   (default build/release)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
cli=$(cd "$build" && pwd)/simplex-cli
[ -x "$cli" ] || { echo "no $cli; build first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cc -O2 -o "$work/write_loop" "$root/bench/write_loop.c"
printf "%7s %9s %8s %8s %11s %8s %10s %10s\n" \
  objects pairs "wall s" "cpu s" pairs/s "out MB/s" "write32 s" "write64K s"
for n in 500 1000 2000 4000; do
  python3 "$root/bench/make_matrix.py" 200 "$n" 0.3 "$n" > "$work/data.txt"
  (cd "$work" && /usr/bin/time -f "%e %U %S" -o times "$cli" data.txt 0 > console.txt 2>&1)
  read -r wall user sys < "$work/times"
  bytes=$(cat "$work/resu.ord" "$work/simplex.dat" "$work/REDUC.ORD" | wc -c)
  small=$("$work/write_loop" "$bytes" 32 "$work/loop.out")
  large=$("$work/write_loop" "$bytes" 65536 "$work/loop.out")
  awk -v n="$n" -v t="$wall" -v u="$user" -v s="$sys" -v b="$bytes" -v l="$small" -v L="$large" 'BEGIN {
    pairs = n * (n - 1) / 2;
    printf "%7d %9d %8.2f %8.2f %11.0f %8.1f %10.2f %10.3f\n", n, pairs, t, u + s, pairs / t, b / t / 1e6, l, L }'
  rm -f "$work"/resu.ord "$work"/simplex.dat "$work"/REDUC.ORD
done
