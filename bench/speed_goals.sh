#!/usr/bin/env bash
# The speed goals, end to end on seeded random matrices of 200 descriptors (density 0.3):
# simplex-cli on 2,000 objects (goal 0.5 s) and on 10,000 objects (goal 12 s), and the desktop
# program on 2,000 objects (goal: within 1.3 times simplex-cli), each with its result files
# checked against simplex-cli's. Each program runs RUNS times (default 5), alternating, each
# time in a fresh folder; the median run is reported, since a single run on a shared machine
# can catch the kernel writing back the previous run's files. Wall time is the goal; CPU time
# (user + system) shows what a busy machine hides.
#   bench/speed_goals.sh [BUILD_DIR]   (default build/release; SIZES="2000" skips the long run)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/release}" && pwd)
runs=${RUNS:-5}
[ -x "$build/simplex-cli" ] || { echo "no $build/simplex-cli; build first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Runs a program in a fresh folder holding the data; appends "wall cpu" in seconds to $work/$1.
timed() {
  local name=$1; shift
  rm -rf "$work/$name.dir" && mkdir "$work/$name.dir" && cp "$work/data.txt" "$work/$name.dir/"
  (cd "$work/$name.dir" && /usr/bin/time -f "%e %U %S" -o times "$@" > console.txt 2>&1)
  awk '{ printf "%.2f %.2f\n", $1, $2 + $3 }' "$work/$name.dir/times" >> "$work/$name"
}

# The wall times of the runs, in order.
walls() { awk '{ printf "%s%s", sep, $1; sep = " " }' "$1"; }

# The median line of a file of "wall cpu" lines, by wall time.
median() { sort -n "$1" | awk '{ line[NR] = $0 } END { print line[int((NR + 1) / 2)] }'; }

printf "%-8s %8s %8s %8s %8s   (median of %d runs)\n" program objects "wall s" "cpu s" goal "$runs"
for n in ${SIZES:-2000 10000}; do
  python3 "$root/bench/make_matrix.py" 200 "$n" 0.3 "$n" > "$work/data.txt"
  desktop=$([ "$n" -le 2000 ] && [ -x "$build/desktop_run" ] && echo yes || echo no)
  rm -f "$work/cli" "$work/desktop"
  for _ in $(seq "$runs"); do
    timed cli "$build/simplex-cli" data.txt 0
    if [ "$desktop" = yes ]; then
      QT_QPA_PLATFORM=offscreen timed desktop "$build/desktop_run" data.txt 0
      for f in resu.ord simplex.dat REDUC.ORD; do cmp "$work/cli.dir/$f" "$work/desktop.dir/$f"; done
    fi
  done
  read -r wall cpu <<< "$(median "$work/cli")"
  goal=$([ "$n" -le 2000 ] && echo "0.5 s" || echo "12 s")
  printf "%-8s %8d %8s %8s %8s   (runs: %s)\n" cli "$n" "$wall" "$cpu" "$goal" "$(walls "$work/cli")"
  if [ "$desktop" = yes ]; then
    read -r dwall dcpu <<< "$(median "$work/desktop")"
    awk -v r="$(walls "$work/desktop")" -v n="$n" -v w="$dwall" -v c="$dcpu" -v W="$wall" -v C="$cpu" 'BEGIN {
      printf "%-8s %8d %8s %8s %8s   (%.2fx wall, %.2fx cpu; runs: %s)\n", "desktop", n, w, c, "1.3x", w / W, c / C, r }'
  fi
  rm -rf "$work/cli.dir" "$work/desktop.dir"
done
