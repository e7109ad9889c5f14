#!/usr/bin/env bash
# Measures WyvernStub's extraction by hand (CI never runs this): the throughput on a 200 MiB
# package of mixed entries, under Wine and natively, each against plain zlib writing the same files
# on the same platform (wyvern_measure_inflate), and the stub's peak memory with one 1 GiB entry
# against a tiny package.
#   scripts/measure-stub.sh [RUNS]      RUNS timed rounds of the 200 MiB package (default 3)
# Builds what it needs into build/linux and build/windows; KIT_MEASURE_LINUX_BUILD and
# KIT_MEASURE_WINDOWS_BUILD name other configured build directories instead. Packages, outputs and
# the Wine prefix live in one directory under /tmp, removed at the end. The stored 1 GiB entry is
# skipped when /tmp has less than 6 GiB free.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
runs=${1:-3}
wine=/usr/lib/wine/wine64
server=/usr/lib/wine/wineserver64

linux_targets=(wyvern-pack wyvern_measure_inflate)
windows_targets=(WyvernStub wyvern_fake_engine wyvern_debug_viewer wyvern_measure_inflate
                 wyvern-pack)
if [ -n "${KIT_MEASURE_LINUX_BUILD:-}" ]; then
    linux_build=$KIT_MEASURE_LINUX_BUILD
    cmake --build "$linux_build" --target "${linux_targets[@]}" >/dev/null
else
    linux_build=$repo/build/linux
    scripts/build.sh linux "${linux_targets[@]}" >/dev/null
fi
if [ -n "${KIT_MEASURE_WINDOWS_BUILD:-}" ]; then
    windows_build=$KIT_MEASURE_WINDOWS_BUILD
    cmake --build "$windows_build" --target "${windows_targets[@]}" >/dev/null
else
    windows_build=$repo/build/windows
    scripts/build.sh windows "${windows_targets[@]}" >/dev/null
fi
linux_build=$(cd "$linux_build" && pwd)
windows_build=$(cd "$windows_build" && pwd)
lbin=$linux_build/bin
wbin=$windows_build/bin

work=$(mktemp -d /tmp/measure-stub-XXXXXX)
prefix=$work/prefix
xvfb_pid=
cleanup() {
    if [ -d "$prefix" ]; then
        WINEPREFIX=$prefix "$server" -k >/dev/null 2>&1 || true
        WINEPREFIX=$prefix "$server" -w >/dev/null 2>&1 || true
    fi
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
cd "$work"

say() { printf '%s\n' "$*" >&2; }
winpath() { printf 'Z:%s' "${1//\//\\}"; }
now_ms() { local t=$EPOCHREALTIME; printf '%s' $((10#${t/[.,]/} / 1000)); }
median() { sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }

free_kb=$(df -Pk /tmp | awk 'NR == 2 {print $4}')
stored_big=1
if [ "$free_kb" -lt $((6 * 1024 * 1024)) ]; then
    stored_big=0
    say "only $((free_kb / 1024)) MiB free in /tmp: the stored 1 GiB entry is skipped"
fi

# ---- data and packages ----
say "making the data..."
mkdir data
python3 - data <<'EOF'
import os, random, sys
MIB = 1 << 20
out = sys.argv[1]
rng = random.Random(20240611)
letters = "abcdefghijklmnopqrstuvwxyz"
vocab = ["".join(rng.choices(letters, k=rng.randint(3, 10))) for _ in range(4000)]
levels = ["INFO", "DEBUG", "WARN", "ERROR", "TRACE"]

def log_text(size):
    lines, total = [], 0
    while total < size:
        line = "%04d-%02d-%02d %02d:%02d:%02d %s [%s] %s 0x%06x\n" % (
            2024, rng.randint(1, 12), rng.randint(1, 28), rng.randint(0, 23),
            rng.randint(0, 59), rng.randint(0, 59), rng.choice(levels), rng.choice(vocab),
            " ".join(rng.choices(vocab, k=rng.randint(4, 12))), rng.getrandbits(24))
        lines.append(line)
        total += len(line)
    return "".join(lines).encode()[:size]

# Half text-like (compressed), a quarter random stored, a quarter random compressed.
for i in range(4):
    with open(os.path.join(out, "text-%d.log" % i), "wb") as f:
        f.write(log_text(25 * MIB))
for i in range(4):
    with open(os.path.join(out, "random-%d.bin" % i), "wb") as f:
        f.write(os.urandom(25 * MIB))
# 1 GiB of a 16 KiB text repeated: deflate finds it all in its window, so the package stays small.
period = log_text(16 * 1024)
block = period * (MIB // len(period))
with open(os.path.join(out, "big.log"), "wb") as f:
    for _ in range(1024):
        f.write(block)
with open(os.path.join(out, "tiny.txt"), "wb") as f:
    f.write(log_text(1024))
EOF

manifest() {  # manifest FILE, then "name|source|method" entries
    local file=$1
    shift
    {
        printf '[package]\nstub = %s\nchecksum = compute\n' "$wbin/WyvernStub.exe"
        printf '[language English]\ns0 = Measurement\n'
        printf '[entry]\nname = Engine.exe*\nsource = %s\n' "$wbin/wyvern_fake_engine.exe"
        local entry
        for entry in "$@"; do
            IFS='|' read -r name source method <<<"$entry"
            printf '[entry]\nname = %s\nsource = %s\nmethod = %s\n' "$name" "$source" "$method"
        done
    } >"$file"
}
manifest mixed.ini \
    "text-0.log|data/text-0.log|compressed" "logs\\text-1.log|data/text-1.log|compressed" \
    "logs\\text-2.log|data/text-2.log|compressed" "text-3.log|data/text-3.log|compressed" \
    "random-0.bin|data/random-0.bin|stored" "random-1.bin|data/random-1.bin|stored" \
    "random-2.bin|data/random-2.bin|compressed" "random-3.bin|data/random-3.bin|compressed"
manifest tiny.ini "tiny.txt|data/tiny.txt|compressed"
manifest big-compressed.ini "big.log|data/big.log|compressed"
[ $stored_big = 1 ] && manifest big-stored.ini "big.log|data/big.log|stored"
say "building the packages..."
for m in *.ini; do "$lbin/wyvern-pack" build "$m" "${m%.ini}.exe" >/dev/null; done
rm -rf data
mixed_mib=$(($(stat -c %s mixed.exe) / 1048576))

# ---- native ----
inflate_ms() { sed -n 's/^InflateTime: \([0-9]*\) MS.*/\1/p'; }
bytes_of() { sed -n 's/^Bytes: \([0-9]*\).*/\1/p'; }
for round in $(seq "$runs"); do
    say "native round $round..."
    rm -rf native-pack native-zlib
    sync
    start=$(now_ms)
    "$lbin/wyvern-pack" extract mixed.exe native-pack >/dev/null
    echo $(($(now_ms) - start)) >>native-pack.ms
    sync
    "$lbin/wyvern_measure_inflate" mixed.exe native-zlib >native-zlib.out
    inflate_ms <native-zlib.out >>native-zlib.ms
    # Both wrote the same files, or the comparison means nothing.
    diff -r native-pack native-zlib >/dev/null || { say "outputs differ"; exit 1; }
done
data_bytes=$(bytes_of <native-zlib.out)
rm -rf native-pack

# ---- Wine: one prefix and one display for every run, so the viewer sees all of them ----
scripts/wine-run.sh "$wbin/wyvern_measure_inflate.exe" >/dev/null 2>&1 || true  # the template
template=${KIT_WINE_TEMPLATE:-$windows_build/wine-template}
[ -f "$template/.kit-ready" ] || { say "no Wine template in $template"; exit 1; }
mkdir "$prefix"
cp -al "$template/." "$prefix/"
for hive in "$prefix"/*.reg; do
    cp --remove-destination "$template/$(basename "$hive")" "$hive"
done
rm -rf "$prefix/drive_c/users" && cp -a "$template/drive_c/users" "$prefix/drive_c/users"

Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp 5>display >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s display ] && break; sleep 0.05; done
DISPLAY=:$(head -n1 display)
export DISPLAY
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
"$server" -p
"$wine" "$wbin/wyvern_debug_viewer.exe" "$(winpath "$work/trace.txt")" 0 >/dev/null 2>&1 &
for _ in $(seq 200); do [ -e trace.txt ] && break; sleep 0.1; done
sleep 1  # the viewer's window comes after its file

# run_stub PACKAGE: one stub run; sets wall_ms, uncompress_ms and peak_kb (VmHWM of its process).
run_stub() {
    local package=$1 lines record=$work/engine-record.txt
    rm -f "$record"
    lines=$(wc -l <trace.txt)
    sync
    local start
    start=$(now_ms)
    WYVERN_ENGINE_ATOM=delete WYVERN_ENGINE_RECORD=$(winpath "$record") \
        "$wine" "$work/$package" >/dev/null 2>&1 &
    local pid=$! hwm
    peak_kb=0
    while [ -e "/proc/$pid/status" ]; do
        hwm=$(awk '/^VmHWM:/ {print $2}' "/proc/$pid/status" 2>/dev/null || true)
        [ -n "$hwm" ] && [ "$hwm" -gt "$peak_kb" ] && peak_kb=$hwm
        if [ $(($(now_ms) - start)) -gt 900000 ]; then
            say "$package: no end in 15 minutes"
            exit 1
        fi
        sleep 0.05
    done
    local status=0
    wait "$pid" || status=$?
    wall_ms=$(($(now_ms) - start))
    uncompress_ms=$(tail -n +"$((lines + 1))" trace.txt |
        sed -n 's/^UnCompressTime: \([0-9]*\) MS.*/\1/p')
    # The engine starts only after an extraction without error, checksum passed.
    if [ "$status" != 0 ] || [ ! -s "$record" ] || [ -z "$uncompress_ms" ]; then
        say "$package: the stub did not extract and start the engine (exit $status)"
        exit 1
    fi
}

for round in $(seq "$runs"); do
    say "Wine round $round..."
    run_stub mixed.exe
    echo "$uncompress_ms" >>wine-stub.ms
    echo "$wall_ms" >>wine-stub-wall.ms
    echo "$peak_kb" >>mixed.kb
    rm -rf wine-zlib wine-pack
    sync
    start=$(now_ms)
    "$wine" "$wbin/wyvern_measure_inflate.exe" "$(winpath "$work/mixed.exe")" \
        "$(winpath "$work/wine-zlib")" >wine-zlib.out 2>/dev/null
    echo $(($(now_ms) - start)) >>wine-zlib-wall.ms
    inflate_ms <wine-zlib.out >>wine-zlib.ms
    diff -r native-zlib wine-zlib >/dev/null || { say "Wine and native outputs differ"; exit 1; }
    # The extraction code without the stub's window, pumping and Win32 files, for comparison.
    sync
    start=$(now_ms)
    "$wine" "$wbin/wyvern-pack.exe" extract "$(winpath "$work/mixed.exe")" \
        "$(winpath "$work/wine-pack")" >/dev/null 2>&1
    echo $(($(now_ms) - start)) >>wine-pack-wall.ms
    diff -r native-zlib wine-pack >/dev/null || { say "wyvern-pack.exe wrote other files"; exit 1; }
done
rm -rf native-zlib wine-zlib wine-pack

say "memory runs..."
memory_rows=()
for package in tiny big-compressed big-stored; do
    [ -f "$package.exe" ] || continue
    run_stub "$package.exe"
    memory_rows+=("$package|$(stat -c %s "$package.exe")|$peak_kb|$uncompress_ms|$wall_ms")
    rm -f "$package.exe"
done

# ---- the table ----
native_pack=$(median <native-pack.ms)
native_zlib=$(median <native-zlib.ms)
wine_stub=$(median <wine-stub.ms)
wine_wall=$(median <wine-stub-wall.ms)
wine_zlib=$(median <wine-zlib.ms)
wine_zlib_wall=$(median <wine-zlib-wall.ms)
wine_pack_wall=$(median <wine-pack-wall.ms)
row() {  # row LABEL MS BASELINE_MS
    awk -v label="$1" -v ms="$2" -v base="$3" -v bytes="$data_bytes" 'BEGIN {
        printf "  %-46s %8d %9.1f %7.2f\n", label, ms, bytes / 1048576 / (ms / 1000), ms / base }'
}
echo
echo "Extraction of a ${mixed_mib} MiB package ($((data_bytes / 1048576)) MiB of files:" \
     "half log text compressed, a quarter random stored, a quarter random compressed)," \
     "median of $runs runs"
printf '  %-46s %8s %9s %7s\n' "" "ms" "MiB/s" "ratio"
row "Wine: zlib directly (wyvern_measure_inflate)" "$wine_zlib" "$wine_zlib"
row "Wine: WyvernStub.exe, its UnCompressTime" "$wine_stub" "$wine_zlib"
printf '  %-46s %8d\n' "Wine: WyvernStub.exe, whole run (wall)" "$wine_wall"
row "Wine: zlib directly, process wall" "$wine_zlib_wall" "$wine_zlib_wall"
row "Wine: wyvern-pack.exe extract, process wall" "$wine_pack_wall" "$wine_zlib_wall"
row "Linux: zlib directly (wyvern_measure_inflate)" "$native_zlib" "$native_zlib"
row "Linux: wyvern-pack extract (wall)" "$native_pack" "$native_zlib"
for name in wine-zlib wine-stub wine-stub-wall wine-zlib-wall wine-pack-wall native-zlib native-pack
do
    echo "  rounds (ms) $name: $(paste -sd' ' "$name.ms")"
done
echo
echo "Peak memory of WyvernStub.exe (VmHWM of its Wine process, polled every 50 ms)"
printf '  %-30s %9s %10s %15s %9s\n' "package" "size MiB" "peak MiB" "UnCompressTime" "wall ms"
memory_row() {  # memory_row LABEL PACKAGE_BYTES PEAK_KB UNCOMPRESS_MS WALL_MS
    awk -v label="$1" -v size="$2" -v kb="$3" -v ms="$4" -v wall="$5" 'BEGIN {
        printf "  %-30s %9.1f %10.1f %15s %9s\n", label, size / 1048576, kb / 1024, ms, wall }'
}
memory_row "$mixed_mib MiB mixed (highest round)" "$(stat -c %s mixed.exe)" \
    "$(sort -n mixed.kb | tail -n1)" "-" "-"
for r in "${memory_rows[@]}"; do
    IFS='|' read -r name size kb ms wall <<<"$r"
    case $name in
        tiny) label="tiny (1 KiB entry)" ;;
        big-compressed) label="1 GiB entry, compressed" ;;
        big-stored) label="1 GiB entry, stored" ;;
    esac
    memory_row "$label" "$size" "$kb" "$ms" "$wall"
done
