#!/usr/bin/env bash
# Writing a 1 GiB application-like tree into an HFS+ image, against `cp -r` of the same
# tree on the same disk. Reports the speed ratio (ours / cp's, higher is better; the
# target is >= 0.8) and the writer's peak memory (/usr/bin/time -v) next to the size of
# the catalog it builds in memory (target: < 64 MiB beyond the catalog).
#
# usage: bench/hfsplus_write.sh [BUILD_DIR]   (default: build; run `make build` first)
# The tree is made once under $BENCH_DIR (default /var/tmp/vorlap-bench-hfsplus) and kept;
# both copies go next to it and are removed after each run. Both sides read a warm page
# cache and end with `sync`, so each time includes getting the bytes to disk.
set -euo pipefail
BUILD=${1:-build}
BIN=$BUILD/bin/bench_hfsplus_write
WORK=${BENCH_DIR:-/var/tmp/vorlap-bench-hfsplus}
RUNS=${RUNS:-3}
[ -x "$BIN" ] || { echo "missing $BIN: run make build" >&2; exit 2; }

TREE=$WORK/tree
if [ ! -d "$TREE" ]; then
  mkdir -p "$WORK"
  "$BIN" make-tree "$TREE.tmp" $((1024 * 1024 * 1024))
  mv "$TREE.tmp" "$TREE"
fi
bytes=$(du -sb "$TREE" | cut -f1)
# Image: the tree plus 10% and 8 MiB, in whole MiB (what `hdiutil create` would be asked for).
size=$(( (bytes / 10 * 11 / 1048576 + 8) * 1048576 ))
echo "tree: $bytes bytes, $(find "$TREE" | wc -l) items; image size $size bytes"

cat "$(find "$TREE" -type f | head -1)" > /dev/null
tar -cf - -C "$TREE" . > /dev/null # warm the page cache for both sides

now() { date +%s.%N; }
cp_times=(); ours_times=()
for run in $(seq "$RUNS"); do
  rm -rf "$WORK/copy" "$WORK/image.hfs"; sync
  t0=$(now); cp -r "$TREE" "$WORK/copy"; sync; t1=$(now)
  cp_times+=("$(echo "$t1 - $t0" | bc -l)")
  rm -rf "$WORK/copy"; sync
  t0=$(now); "$BIN" write "$TREE" "$WORK/image.hfs" "$size" > /dev/null; sync; t1=$(now)
  ours_times+=("$(echo "$t1 - $t0" | bc -l)")
  rm -f "$WORK/image.hfs"; sync
  printf 'run %d: cp -r %.2f s, hfsplus writer %.2f s\n' "$run" "${cp_times[-1]}" "${ours_times[-1]}"
done
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
cp_med=$(median "${cp_times[@]}"); ours_med=$(median "${ours_times[@]}")

/usr/bin/time -v "$BIN" write "$TREE" "$WORK/image.hfs" "$size" > "$WORK/write.out" 2> "$WORK/time.out"
rss_kib=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$WORK/time.out")
catalog_bytes=$(python3 -c "
import struct,sys
h=open('$WORK/image.hfs','rb'); h.seek(1024+272+12); print(struct.unpack('>I',h.read(4))[0]*4096)")
rm -f "$WORK/image.hfs"

printf 'median of %d runs: cp -r %.2f s (%.0f MiB/s), writer %.2f s (%.0f MiB/s)\n' "$RUNS" \
  "$cp_med" "$(echo "$bytes / 1048576 / $cp_med" | bc -l)" "$ours_med" "$(echo "$bytes / 1048576 / $ours_med" | bc -l)"
printf 'speed ratio (writer / cp -r): %.2f   (target >= 0.80)\n' "$(echo "$cp_med / $ours_med" | bc -l)"
printf 'peak RSS of the writer: %.1f MiB; catalog: %.1f MiB; beyond the catalog: %.1f MiB   (target < 64)\n' \
  "$(echo "$rss_kib / 1024" | bc -l)" "$(echo "$catalog_bytes / 1048576" | bc -l)" \
  "$(echo "($rss_kib * 1024 - $catalog_bytes) / 1048576" | bc -l)"
