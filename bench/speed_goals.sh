#!/usr/bin/env bash
# The speed goals, end to end on seeded random matrices of 200 descriptors (density 0.3):
# simplex-cli on 2,000 objects (goal 0.5 s) and on 10,000 objects (goal 12 s), and the desktop
# program on 2,000 objects (goal: within 1.3 times simplex-cli), each with its result files
# checked against simplex-cli's. Wall time is the goal; CPU time (user + system) shows what a
# busy machine hides.
#   bench/speed_goals.sh [BUILD_DIR]   (default build/release; SIZES="2000" to skip the long run)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/release}" && pwd)
[ -x "$build/simplex-cli" ] || { echo "no $build/simplex-cli; build first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Runs a program in its own folder; prints "wall cpu" in seconds.
timed() {
  local dir=$1; shift
  (cd "$dir" && /usr/bin/time -f "%e %U %S" -o times "$@" > console.txt 2>&1)
  awk '{ printf "%.2f %.2f", $1, $2 + $3 }' "$dir/times"
}

printf "%-8s %8s %8s %8s %8s\n" program objects "wall s" "cpu s" goal
for n in ${SIZES:-2000 10000}; do
  python3 "$root/bench/make_matrix.py" 200 "$n" 0.3 "$n" > "$work/data.txt"
  mkdir -p "$work/cli" && cp "$work/data.txt" "$work/cli/"
  read -r wall cpu <<< "$(timed "$work/cli" "$build/simplex-cli" data.txt 0)"
  goal=$([ "$n" -le 2000 ] && echo "0.5 s" || echo "12 s")
  printf "%-8s %8d %8s %8s %8s\n" cli "$n" "$wall" "$cpu" "$goal"
  if [ "$n" -le 2000 ] && [ -x "$build/desktop_run" ]; then
    mkdir -p "$work/desktop" && cp "$work/data.txt" "$work/desktop/"
    read -r dwall dcpu <<< "$(QT_QPA_PLATFORM=offscreen timed "$work/desktop" "$build/desktop_run" data.txt 0)"
    awk -v n="$n" -v w="$dwall" -v c="$dcpu" -v W="$wall" -v C="$cpu" 'BEGIN {
      printf "%-8s %8d %8s %8s %8s   (%.2fx wall, %.2fx cpu)\n", "desktop", n, w, c, "1.3x", w / W, c / C }'
    for f in resu.ord simplex.dat REDUC.ORD; do cmp "$work/cli/$f" "$work/desktop/$f"; done
    rm -rf "$work/desktop"
  fi
  rm -rf "$work/cli"
done
