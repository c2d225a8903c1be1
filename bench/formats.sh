#!/usr/bin/env bash
# Every image format we write against the reference compressors on the same bytes: a
# raw disk of typical application content (bench_udif_convert generate: machine code
# with symbols and strings 36 % of files, already-compressed pictures 24 %, text
# resources 25 %, fixed-size records 15 %, each file's zero slack, 10 % free space).
# One run, side by side, each contender the median of BENCH_ROUNDS (>= 3) rounds:
# UDZO at zlib-level 1 and at the default, UDBZ, ULMO against `gzip -1`, `gzip -9`,
# `bzip2 -9` and `xz -6 -T2`; then zlib-chunk inflate speed, ours against zlib's.
# Targets: zlib-level 1 >= 4x gzip -1's speed at <= 1.01x its size; the default
# <= 0.93x gzip -1's size at >= 2.5x its speed; inflate >= 2x zlib's.
#
#   bench/formats.sh        (BUILD_DIR, BENCH_MIB (1024), BENCH_ROUNDS (3), TMPDIR to adjust)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${BUILD_DIR:-$here/../build}
bin=$build/bin/bench_udif_convert
mib=${BENCH_MIB:-1024}
rounds=${BENCH_ROUNDS:-3}
[ -x "$bin" ] || { echo "build first: $bin is missing (make build)" >&2; exit 1; }
[ "$rounds" -ge 3 ] || { echo "BENCH_ROUNDS must be at least 3" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/vorlap-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
raw=$work/disk.raw

now() { date +%s.%N; }
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

echo "generating a ${mib} MiB raw disk in $work"
"$bin" generate "$raw" "$mib"
cat "$raw" > /dev/null # into the page cache, for every contender
echo "cores: $(nproc)  load before: $(cut -d' ' -f1-3 /proc/loadavg)"

# contender NAME COMMAND...: runs COMMAND (which writes $work/out) $rounds times and
# records the median seconds and the size.
declare -A seconds size
names=()
contender() {
  local name=$1 times=()
  shift
  for _ in $(seq 1 "$rounds"); do
    rm -f "$work/out" "$work/out.dmg"
    local t0 t1
    t0=$(now); "$@" > /dev/null; t1=$(now)
    times+=("$(awk "BEGIN { print $t1 - $t0 }")")
  done
  seconds[$name]=$(median "${times[@]}")
  size[$name]=$(stat -c %s "$work"/out*)
  names+=("$name")
  printf '%-16s %8.2f s %12d bytes\n' "$name" "${seconds[$name]}" "${size[$name]}"
}
ours() { "$bin" convert "$raw" "$work/out.dmg" "$@"; }
tool() { "$@" < "$raw" > "$work/out"; }

contender "gzip -1" tool gzip -1 -c
contender "gzip -9" tool gzip -9 -c
contender "bzip2 -9" tool bzip2 -9 -c
contender "xz -6 -T2" tool xz -6 -T2 -c
contender "UDZO level 1" ours UDZO 1
contender "UDZO default" ours UDZO
contender "UDBZ" ours UDBZ
contender "ULMO" ours ULMO

echo
echo "side by side (against gzip -1 of the same bytes):"
printf '%-16s %8s %12s %8s %8s\n' contender seconds bytes speed size
for n in "${names[@]}"; do
  awk -v n="$n" -v s="${seconds[$n]}" -v b="${size[$n]}" -v gs="${seconds[gzip -1]}" -v gb="${size[gzip -1]}" \
    'BEGIN { printf "%-16s %8.2f %12d %7.2fx %8.4f\n", n, s, b, gs / s, b / gb }'
done

echo
inflate=$("$bin" inflate "$raw" 256)
ours_speed=$(echo "$inflate" | awk '/^ours_mib_s/ {print $2}')
zlib_speed=$(echo "$inflate" | awk '/^zlib_mib_s/ {print $2}')
printf 'inflate, one core, 1 MiB chunks of the first 256 MiB: ours %s MiB/s, zlib %s MiB/s (x%.2f)\n' \
  "$ours_speed" "$zlib_speed" "$(awk "BEGIN { print $ours_speed / $zlib_speed }")"

echo
check() { if awk "BEGIN { exit !($2) }"; then echo "met:     $1"; else echo "NOT MET: $1"; fi; }
g=${seconds[gzip -1]}; gb=${size[gzip -1]}
check "level 1 >= 4x gzip -1 speed" "$g / ${seconds[UDZO level 1]} >= 4"
check "level 1 <= 1.01x gzip -1 size" "${size[UDZO level 1]} / $gb <= 1.01"
check "default <= 0.93x gzip -1 size" "${size[UDZO default]} / $gb <= 0.93"
check "default >= 2.5x gzip -1 speed" "$g / ${seconds[UDZO default]} >= 2.5"
check "default smaller than gzip -9" "${size[UDZO default]} < ${size[gzip -9]}"
check "inflate >= 2x zlib" "$ours_speed / $zlib_speed >= 2"
