#!/usr/bin/env bash
# Times simplex-cli end to end on tables with names as R writes them: write.csv (comma, decimal
# point) and write.csv2 (semicolon, decimal comma) of seeded sites x species abundances, 70 %
# zeros, the rest real numbers with R's 15 significant digits. Sites are compared (answer 1).
# "run s" is a whole run (pair loop and all five result files); "read s" is a run on the same
# table with one faulty row added at its end, which stops right after reading everything.
#   bench/table_timing.sh [BUILD_DIR]   (default build/release; needs Rscript)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
cli=$(cd "$build" && pwd)/simplex-cli
[ -x "$cli" ] || { echo "no $cli; build first" >&2; exit 1; }
command -v Rscript >/dev/null || { echo "needs Rscript (apt-get install r-base-core)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf "%-9s %6s %8s %8s %9s %8s %8s\n" writer sites species cells "file KB" "read s" "run s"
for size in "60 50" "200 100" "500 400"; do
  read -r sites species <<< "$size"
  Rscript -e "set.seed(1); n <- $sites; m <- $species
    x <- matrix(ifelse(runif(n * m) < 0.3, runif(n * m, 0, 9), 0), n, m,
                dimnames = list(paste('site', 1:n), paste0('sp', 1:m)))
    write.csv(x, '$work/comma.csv'); write.csv2(x, '$work/semicolon.csv')"
  for writer in comma semicolon; do
    (cd "$work" && /usr/bin/time -f "%e" -o run_time "$cli" "$writer.csv" 1 > console.txt 2>&1)
    grep -q "READ TABLE" "$work/console.txt" || { cat "$work/console.txt"; exit 1; }
    { cat "$work/$writer.csv"; echo '"faulty",x'; } > "$work/faulty.csv"
    (cd "$work" && /usr/bin/time -f "%e" -o read_time "$cli" faulty.csv 1 > console.txt 2>&1 || true)
    grep -q "LINE $((sites + 2))" "$work/console.txt" || { cat "$work/console.txt"; exit 1; }
    awk -v w="$writer" -v n="$sites" -v m="$species" -v kb="$(($(wc -c < "$work/$writer.csv") / 1024))" \
        -v r="$(tail -n 1 "$work/read_time")" -v t="$(cat "$work/run_time")" \
        'BEGIN { printf "%-9s %6d %8d %8d %9d %8.3f %8.3f\n", w, n, m, n * m, kb, r, t }'
  done
done
