#!/usr/bin/env bash
# Sets up, builds and runs the flash utility's main job on the embedded default lab of emulated
# controllers: every controller is selected in turn.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
scripts/build.sh linux tessel tessel-emu
emu=build/linux/bin/tessel-emu

n=1
while "$emu" -c "$n"; do
    n=$((n + 1))
done
echo "Selected $((n - 1)) emulated controller(s); the last attempt, -c $n, found none."
