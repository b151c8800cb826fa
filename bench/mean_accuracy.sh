#!/usr/bin/env bash
# The mean percentages of a large table against exact means computed apart from the program:
# a seeded random matrix of 200 descriptors by N objects (density 0.3), every printed
# percentage within 0.001 points of the exact mean.
#   bench/mean_accuracy.sh [OBJECTS [BUILD_DIR]]   (default 6000, build/release)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
objects=${1:-6000}
build=${2:-$root/build/release}
cli=$(cd "$build" && pwd)/simplex-cli
[ -x "$cli" ] || { echo "no $cli; build first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 "$root/bench/make_matrix.py" 200 "$objects" 0.3 "$objects" > "$work/data.txt"
(cd "$work" && "$cli" data.txt 0 > console.txt 2>&1)
python3 "$root/bench/exact_means.py" "$work/data.txt" 0 "$work/console.txt"
