#!/usr/bin/env bash
# Runs every fuzz target of a build for a few seconds over its seed corpus:
# scripts/run-fuzzers.sh BUILD_DIR SECONDS
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?build directory}
seconds=${2:-20}
shopt -s nullglob
for target in "$build"/bin/fuzz_*; do
    name=$(basename "$target")
    corpus=$(mktemp -d)
    seeds="fuzz/corpus/${name#fuzz_}"
    [ -d "$seeds" ] && cp -r "$seeds"/. "$corpus"/
    echo "=== $name for ${seconds}s"
    "$target" -max_total_time="$seconds" -print_final_stats=0 "$corpus" 2>&1 | tail -n 3
    rm -rf "$corpus"
done
