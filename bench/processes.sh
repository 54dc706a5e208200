#!/usr/bin/env bash
# Whole-process timings of the VM tool's one-shot reports, as the agent starts them: each run is a
# fresh process (no shell in between). Prints hyperfine's summary and the median of each command.
set -euo pipefail
cd "$(dirname "$0")/.."
tool=${1:-build-bench/bin/quillmarsh-vz}
if [ ! -x "$tool" ]; then
  echo "$tool is missing: build it first (scripts/bench does)" >&2
  exit 1
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
for command in capabilities sensors; do
  echo "== quillmarsh-vz $command"
  hyperfine -N --warmup 20 --runs 300 --export-csv "$out/$command.csv" "$tool $command"
  # Columns: command,mean,stddev,median,… in seconds.
  awk -F, 'NR == 2 { printf "median: %.2f ms\n", $4 * 1000 }' "$out/$command.csv"
done
