#!/usr/bin/env bash
# Unpacking a volume with many hard links to one file: prints the time `hdiutil attach`
# takes for LINKS links (default 100,000), which grows linearly with the link count.
# Past the file system's limit per file (65000 on ext4) the links go to a second copy.
# Our writer makes no hard links, so the image is written with plain files and then
# patched the way macOS stores links ("iNode<n>" in the private folder, 'hlnk' files).
#
# usage: bench/hardlinks_attach.sh [BUILD_DIR]   (default: build)
set -euo pipefail
BUILD=${1:-build}
HDIUTIL=$BUILD/bin/hdiutil
LINKS=${LINKS:-100000}
[ -x "$HDIUTIL" ] || { echo "missing $HDIUTIL: build it first" >&2; exit 2; }
WORK=$(mktemp -d "${TMPDIR:-/tmp}/vorlap-bench-links.XXXXXX")
export XDG_STATE_HOME=$WORK/state
trap '"$HDIUTIL" detach "$WORK/m" -force -quiet 2>/dev/null || true; rm -rf "$WORK"' EXIT

"$HDIUTIL" create -quiet -size 256m -fs HFS+ -volname Links "$WORK/links.dmg"
"$HDIUTIL" attach -quiet "$WORK/links.dmg" -mountpoint "$WORK/m" >/dev/null
mkdir "$WORK/m/XXXXHFS+ Private Data"
head -c 1048576 /dev/urandom > "$WORK/m/XXXXHFS+ Private Data/iNode77"
(cd "$WORK/m" && seq -f "link%06g" 1 "$LINKS" | xargs touch)
"$HDIUTIL" detach -quiet "$WORK/m"

python3 - "$WORK/links.dmg" <<'PY'
import struct, sys
path = sys.argv[1]
with open(path, 'r+b') as f:
    image = bytearray(f.read())
    header = 1024
    block = struct.unpack_from('>I', image, header + 40)[0]
    start = struct.unpack_from('>I', image, header + 0x110 + 16)[0] * block
    node_size = struct.unpack_from('>H', image, start + 14 + 18)[0]
    node = struct.unpack_from('>I', image, start + 14 + 10)[0]
    marked = 'XXXXHFS+ Private Data'.encode('utf-16-be')
    patched = 0
    while node:
        base = start + node * node_size
        count = struct.unpack_from('>H', image, base + 10)[0]
        for r in range(count):
            at = base + struct.unpack_from('>H', image, base + node_size - 2 * (r + 1))[0]
            key_length = struct.unpack_from('>H', image, at)[0]
            name_units = struct.unpack_from('>H', image, at + 6)[0]
            name = bytes(image[at + 8:at + 8 + 2 * name_units])
            record = at + 2 + key_length
            kind = struct.unpack_from('>H', image, record)[0]
            if name == marked:
                image[at + 8:at + 16] = bytes(8)
            if kind == 3 and bytes(image[record + 10:record + 10 + len(marked)]) == marked:
                image[record + 10:record + 18] = bytes(8)  # the folder's thread
            if kind == 2 and name.decode('utf-16-be').startswith('link'):
                struct.pack_into('>I', image, record + 44, 77)
                image[record + 48:record + 56] = b'hlnkhfs+'
                patched += 1
        node = struct.unpack_from('>I', image, base)[0]
    f.seek(0)
    f.write(image)
print(f'{patched} hard links in the image', file=sys.stderr)
PY

start=$(date +%s.%N)
"$HDIUTIL" attach -readonly "$WORK/links.dmg" -mountpoint "$WORK/m" >/dev/null
end=$(date +%s.%N)
inode=$(stat -c %i "$WORK/m/link000001")
same=$(find "$WORK/m" -maxdepth 1 -name 'link*' -inum "$inode" | wc -l)
echo "attach of $LINKS hard links: $(awk "BEGIN { printf \"%.2f\", $end - $start }") s; $same share one file; $(du -sk "$WORK/m" | cut -f1) KiB on disk"
"$HDIUTIL" detach -quiet "$WORK/m"
