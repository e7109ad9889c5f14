#!/usr/bin/env bash
# Configures and builds one preset: scripts/build.sh PRESET [targets...]
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:?preset}
shift
if [ ! -f "build/$preset/build.ninja" ]; then
    cmake --preset "$preset" >/dev/null
fi
cmake --build --preset "$preset" ${1:+--target "$@"}
