#!/usr/bin/env bash
# Sets up, builds and runs every test: each preset's suite, then a short run of every fuzz target
# over its seed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh

for preset in linux linux-i386 asan windows; do
    echo "=== $preset"
    scripts/build.sh "$preset"
    ctest --preset "$preset" -j2
done

scripts/run-fuzzers.sh build/asan 20
