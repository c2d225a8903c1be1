#!/usr/bin/env bash
# UDZO conversion against `gzip -1` on the same bytes: a 1 GiB raw disk of typical
# application content (bench_udif_convert generate, reproducible), converted by our
# writer and compressed by gzip -1, alternately, several rounds. Prints each round's
# wall times and sizes and the median speed and size ratios. Targets: ours at least
# 1.7x as fast as gzip -1, and at most 3% larger.
#
#   bench/udif_convert.sh              (BUILD_DIR, BENCH_MIB, BENCH_ROUNDS, TMPDIR to adjust)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${BUILD_DIR:-$here/../build}
bin=$build/bin/bench_udif_convert
mib=${BENCH_MIB:-1024}
rounds=${BENCH_ROUNDS:-3}
[ -x "$bin" ] || { echo "build first: $bin is missing (make build)" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/vorlap-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT

now() { date +%s.%N; }
calc() { awk "BEGIN { printf \"%.6f\", $1 }"; }

echo "generating a ${mib} MiB raw disk in $work"
"$bin" generate "$work/disk.raw" "$mib"
sha256sum "$work/disk.raw" | cut -c1-16 | sed 's/^/content sha256 prefix: /'
cat "$work/disk.raw" > /dev/null # into the page cache, for both contenders
echo "cores: $(nproc)  load before: $(cut -d' ' -f1-3 /proc/loadavg)"

speed_ratios=()
size_ratios=()
for round in $(seq 1 "$rounds"); do
  rm -f "$work/disk.raw.gz" "$work/disk.dmg"
  t0=$(now); gzip -1 -c "$work/disk.raw" > "$work/disk.raw.gz"; t1=$(now)
  "$bin" convert "$work/disk.raw" "$work/disk.dmg" > /dev/null; t2=$(now)
  gz_time=$(calc "$t1 - $t0"); our_time=$(calc "$t2 - $t1")
  gz_size=$(stat -c %s "$work/disk.raw.gz"); our_size=$(stat -c %s "$work/disk.dmg")
  speed=$(calc "$gz_time / $our_time"); size=$(calc "$our_size / $gz_size")
  speed_ratios+=("$speed"); size_ratios+=("$size")
  printf 'round %d: gzip -1 %.2f s %d bytes | udzo %.2f s %d bytes | speed x%.2f size %.4f (load %s)\n' \
    "$round" "$gz_time" "$gz_size" "$our_time" "$our_size" "$speed" "$size" "$(cut -d' ' -f1 /proc/loadavg)"
done

if command -v 7zz > /dev/null; then
  if 7zz t -tdmg "$work/disk.dmg" | grep -q WARNING; then echo "7zz: WARNING on our image" >&2; exit 1; fi
  7zz t -tdmg "$work/disk.dmg" | grep -q "Everything is Ok" && echo "7zz t -tdmg: Everything is Ok"
fi

median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
speed=$(median "${speed_ratios[@]}")
size=$(median "${size_ratios[@]}")
printf 'median: udzo is x%.2f as fast as gzip -1 (target >= 1.7), size ratio %.4f (target <= 1.03)\n' "$speed" "$size"
if awk "BEGIN { exit !($speed >= 1.7 && $size <= 1.03) }"; then echo "PASS"; else echo "FAIL"; exit 1; fi
