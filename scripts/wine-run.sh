#!/usr/bin/env bash
# Runs one Windows program under Wine in a throwaway prefix: a hard-linked copy of a template
# prefix that is prepared once per build directory, with its own registry files. Everything the
# program started in that prefix is ended with it, and the prefix is removed.
#   scripts/wine-run.sh PROGRAM.exe [ARGS...]
set -uo pipefail
wine=/usr/lib/wine/wine64
server=/usr/lib/wine/wineserver64
program=${1:?program}
build_dir=$(cd "$(dirname "$program")/.." && pwd)
template=${KIT_WINE_TEMPLATE:-$build_dir/wine-template}
export WINEDEBUG=${WINEDEBUG:--all}

# Programs that open windows get a display of their own (KIT_XVFB=1) unless one is given.
if [ "${KIT_XVFB:-0}" = 1 ] && [ -z "${DISPLAY:-}" ]; then
    display_file=$(mktemp)
    Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp 5>"$display_file" >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 600); do [ -s "$display_file" ] && break; sleep 0.05; done
    display=$(head -n1 "$display_file")
    rm -f "$display_file"
    if [ -z "$display" ]; then
        echo "wine-run.sh: Xvfb gave no display within 30 s" >&2
        kill "$xvfb_pid" 2>/dev/null
        exit 125
    fi
    export DISPLAY=:$display
    "$0" "$@"
    status=$?
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
    exit $status
fi
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

(
    flock 9
    if [ ! -f "$template/.kit-ready" ]; then
        rm -rf "$template"
        WINEPREFIX=$template "$wine" wineboot --init >/dev/null 2>&1
        WINEPREFIX=$template "$server" -w
        touch "$template/.kit-ready"
    fi
) 9>"$template.lock"

prefix=$(mktemp -d "${TMPDIR:-/tmp}/kit-wine-XXXXXX")
cleanup() {
    WINEPREFIX=$prefix "$server" -k >/dev/null 2>&1
    WINEPREFIX=$prefix "$server" -w >/dev/null 2>&1
    rm -rf "$prefix"
}
trap cleanup EXIT

# The large, read-only part (built-in DLLs) is shared by hard links; whatever Wine rewrites in place
# (registry hives, user profiles) is copied for real.
cp -al "$template/." "$prefix/"
for hive in "$prefix"/*.reg; do cp --remove-destination "$template/$(basename "$hive")" "$hive"; done
rm -rf "$prefix/drive_c/users" && cp -a "$template/drive_c/users" "$prefix/drive_c/users"

WINEPREFIX=$prefix "$wine" "$@"
