#!/usr/bin/env bash
# A whole build (`vorlap build`, through our hdiutil) of a 500 MB synthetic application,
# against copying the same tree and compressing it with `tar | gzip -1`, side by side in
# one run. Reports the time ratio (build / copy+compress; the target is <= 1.5).
#
# usage: bench/build_dmg.sh [BUILD_DIR]   (default: build; run `make build` first)
# The tree is made once under $BENCH_DIR (default /var/tmp/vorlap-bench-build) and kept.
# Both sides start from a warm page cache and end with `sync`.
set -euo pipefail
BUILD=${1:-build}
VORLAP=$BUILD/bin/vorlap
MAKE_TREE=$BUILD/bin/bench_hfsplus_write
WORK=${BENCH_DIR:-/var/tmp/vorlap-bench-build}
RUNS=${RUNS:-3}
for program in "$VORLAP" "$MAKE_TREE"; do
  [ -x "$program" ] || { echo "missing $program: run make build" >&2; exit 2; }
done

APP=$WORK/tree/Bench.app
if [ ! -d "$APP" ]; then
  mkdir -p "$WORK"
  "$MAKE_TREE" make-tree "$WORK/tree.tmp" $((500 * 1000 * 1000)) > /dev/null
  rm -rf "$WORK/tree.tmp/.background"
  mv "$WORK/tree.tmp" "$WORK/tree"
fi
bytes=$(du -sb "$APP" | cut -f1)
echo "application: $bytes bytes, $(find "$APP" | wc -l) items"
tar -cf - -C "$WORK/tree" Bench.app > /dev/null # warm the page cache for both sides

now() { date +%s.%N; }
build_times=(); reference_times=()
for run in $(seq "$RUNS"); do
  rm -rf "$WORK/copy" "$WORK/out.tgz" "$WORK/Bench.dmg"; sync
  t0=$(now)
  cp -r "$APP" "$WORK/copy" && tar -cf - -C "$WORK" copy | gzip -1 > "$WORK/out.tgz"; sync
  t1=$(now)
  reference_times+=("$(echo "$t1 - $t0" | bc -l)")
  reference_bytes=$(stat -c %s "$WORK/out.tgz")
  rm -rf "$WORK/copy" "$WORK/out.tgz"; sync

  t0=$(now)
  "$VORLAP" build --app "$APP" --output "$WORK/Bench.dmg" > /dev/null; sync
  t1=$(now)
  build_times+=("$(echo "$t1 - $t0" | bc -l)")
  image_bytes=$(stat -c %s "$WORK/Bench.dmg")
  rm -f "$WORK/Bench.dmg"; sync
  printf 'run %d: cp -r + tar | gzip -1 %.2f s (%d bytes), vorlap build %.2f s (%d bytes)\n' "$run" \
    "${reference_times[-1]}" "$reference_bytes" "${build_times[-1]}" "$image_bytes"
done
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
reference=$(median "${reference_times[@]}"); build=$(median "${build_times[@]}")
printf 'median of %d runs: copy and compress %.2f s, build %.2f s\n' "$RUNS" "$reference" "$build"
printf 'time ratio (build / copy and compress): %.2f   (target <= 1.50)\n' "$(echo "$build / $reference" | bc -l)"
