#!/usr/bin/env python3
"""An independent reader of Finder layout files (.DS_Store), for the tests.

Prints one JSON object: the block store's layout (allocator, blocks, directory, free
lists) and every record of the DSDB B-tree in stored order, each with its name, code,
type and value; "blob" values that hold a binary property list are decoded with plistlib.
Exits non-zero with a message on anything it cannot make sense of.
"""
import base64
import json
import plistlib
import struct
import sys


def fail(message):
    print(message, file=sys.stderr)
    sys.exit(1)


def main(path):
    data = open(path, "rb").read()
    if len(data) < 36 or data[0:4] != b"\0\0\0\1" or data[4:8] != b"Bud1":
        fail("not a Bud1 file")
    alloc_offset, alloc_size, alloc_offset2 = struct.unpack(">III", data[8:20])
    if alloc_offset != alloc_offset2:
        fail("allocator offsets differ")

    def block(address_entry):
        address = address_entry & ~0x1F
        size = 1 << (address_entry & 0x1F)
        if address + 4 + size > len(data):
            fail("block outside the file")
        return data[address + 4:address + 4 + size]

    alloc = data[alloc_offset + 4:alloc_offset + 4 + alloc_size]
    count, _ = struct.unpack(">II", alloc[0:8])
    entries = list(struct.unpack(">%dI" % count, alloc[8:8 + 4 * count]))
    at = 8 + 4 * ((count + 255) // 256 * 256)
    (dir_count,) = struct.unpack(">I", alloc[at:at + 4])
    at += 4
    directory = {}
    for _ in range(dir_count):
        length = alloc[at]
        name = alloc[at + 1:at + 1 + length].decode("ascii")
        (block_id,) = struct.unpack(">I", alloc[at + 1 + length:at + 5 + length])
        directory[name] = block_id
        at += 5 + length
    free_lists = []
    for _ in range(32):
        (n,) = struct.unpack(">I", alloc[at:at + 4])
        free_lists.append(list(struct.unpack(">%dI" % n, alloc[at + 4:at + 4 + 4 * n])))
        at += 4 + 4 * n

    if "DSDB" not in directory:
        fail("no DSDB directory entry")
    header = block(entries[directory["DSDB"]])
    root, levels, record_count, node_count, node_size = struct.unpack(">IIIII", header[0:20])

    records = []

    def read_record(node, at):
        (name_length,) = struct.unpack(">I", node[at:at + 4])
        at += 4
        name = node[at:at + 2 * name_length].decode("utf-16-be")
        at += 2 * name_length
        code = node[at:at + 4].decode("ascii")
        kind = node[at + 4:at + 8].decode("ascii")
        at += 8
        if kind == "blob":
            (length,) = struct.unpack(">I", node[at:at + 4])
            raw = node[at + 4:at + 4 + length]
            at += 4 + length
            value = {"hex": raw.hex()}
            if raw.startswith(b"bplist00"):
                value["plist"] = plist_to_json(plistlib.loads(raw))
        elif kind in ("long", "shor"):
            (value,) = struct.unpack(">I", node[at:at + 4])
            at += 4
        elif kind == "bool":
            value = bool(node[at])
            at += 1
        elif kind == "type":
            value = node[at:at + 4].decode("ascii")
            at += 4
        elif kind == "ustr":
            (length,) = struct.unpack(">I", node[at:at + 4])
            value = node[at + 4:at + 4 + 2 * length].decode("utf-16-be")
            at += 4 + 2 * length
        elif kind in ("comp", "dutc"):
            (value,) = struct.unpack(">Q", node[at:at + 8])
            at += 8
        else:
            fail("unknown record type " + kind)
        return {"name": name, "code": code, "type": kind, "value": value}, at

    def walk(block_id, depth):
        if depth > 32:
            fail("B-tree too deep")
        node = block(entries[block_id])
        child, n = struct.unpack(">II", node[0:8])
        at = 8
        for _ in range(n):
            if child:
                (left,) = struct.unpack(">I", node[at:at + 4])
                at += 4
                walk(left, depth + 1)
            record, at = read_record(node, at)
            records.append(record)
        if child:
            walk(child, depth + 1)
        return at

    used = walk(root, 0)
    print(json.dumps({
        "fileSize": len(data),
        "allocator": {"offset": alloc_offset, "size": alloc_size},
        "blocks": entries,
        "directory": directory,
        "freeLists": free_lists,
        "tree": {"root": root, "levels": levels, "records": record_count,
                 "nodes": node_count, "nodeSize": node_size},
        "rootNodeBytesUsed": used,
        "records": records,
    }))


def plist_to_json(value):
    if isinstance(value, dict):
        return {key: plist_to_json(item) for key, item in value.items()}
    if isinstance(value, bytes):
        return {"data": base64.b64encode(value).decode("ascii")}
    if isinstance(value, bool):
        return {"bool": value}
    if isinstance(value, int):
        return {"integer": value}
    if isinstance(value, float):
        return {"real": value}
    return value


if __name__ == "__main__":
    main(sys.argv[1])
