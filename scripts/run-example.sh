#!/usr/bin/env bash
# Installs what is missing, builds, and runs the analysis on the bundled example.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh release simplex-cli
# Run the worked example in a scratch directory, typing its answers as arguments.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp examples/worked_example/data.txt "$work/"
echo "== simplex-cli data.txt 0   (in $work)"
cli="$(pwd)/build/release/simplex-cli"
(cd "$work" && "$cli" data.txt 0) 2>&1 | tr -d '\r'
for f in resu.ord simplex.dat REDUC.ORD; do
  echo "== $f"
  tr -d '\r' < "$work/$f"
done
