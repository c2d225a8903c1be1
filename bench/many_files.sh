#!/usr/bin/env bash
# A `vorlap build` (through our hdiutil) of an application of 50,000 small files in
# 500 folders, which must fit the image it sizes for itself, next to `tar | gzip -1` of
# the same tree. Prints wall time and peak memory (GNU time -v) of both.
#
# usage: bench/many_files.sh [BUILD_DIR]   (default: build; FILES=50000 to change the count)
set -euo pipefail
BUILD=${1:-build}
VORLAP=$BUILD/bin/vorlap
FILES=${FILES:-50000}
[ -x "$VORLAP" ] || { echo "missing $VORLAP: build first" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "needs GNU time (apt-get install time)" >&2; exit 2; }
WORK=$(mktemp -d "${TMPDIR:-/tmp}/vorlap-many-files-XXXXXX")
trap 'rm -rf "$WORK"' EXIT

APP=$WORK/tree/Many.app
python3 - "$APP" "$FILES" <<'PY'
import os, sys
app, count = sys.argv[1], int(sys.argv[2])
for i in range(count):
    folder = os.path.join(app, "Contents", "Resources", "group-%03d" % (i % 500))
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "file-%06d.strings" % i), "wb") as f:
        f.write(b"x" * (1 + i % 3000))
PY
echo "application: $(du -sb "$APP" | cut -f1) bytes, $(find "$APP" | wc -l) items"

report() { # label, time -v output
  awk -v label="$1" '/Elapsed \(wall clock\)/ {t=$NF} /Maximum resident/ {m=$NF}
    END {printf "%-16s %10s wall, %8d KiB peak\n", label, t, m}' "$2"
}
/usr/bin/time -v -o "$WORK/tar.time" sh -c "tar -cf - -C '$WORK/tree' Many.app | gzip -1 > '$WORK/out.tgz'"
PATH="$BUILD/bin:$PATH" TMPDIR="$WORK" XDG_STATE_HOME="$WORK/state" \
  /usr/bin/time -v -o "$WORK/build.time" "$VORLAP" build --app "$APP" --output "$WORK/Many.dmg" > "$WORK/build.log"
report "tar | gzip -1" "$WORK/tar.time"
report "vorlap build" "$WORK/build.time"
echo "sizes: $(stat -c %s "$WORK/out.tgz") bytes tar.gz, $(stat -c %s "$WORK/Many.dmg") bytes image"
