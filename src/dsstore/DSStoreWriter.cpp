#include "dsstore/DSStoreWriter.h"

#include "common/BigEndian.h"

#include <algorithm>
#include <array>

namespace vorlap {

namespace {

// Block addresses are file offsets minus 4; a table entry is address | log2(size).
constexpr uint32_t allocatorAddress = 0x2000;
constexpr uint32_t allocatorEntry = 0x2000 | 11;   // 2048 bytes
constexpr uint32_t headerBlockEntry = 0x0040 | 5;  // 32 bytes
constexpr uint32_t leafNodeEntry = 0x1000 | 12;    // 4096 bytes
constexpr qsizetype headerBlockOffset = 0x0040 + 4;
constexpr qsizetype leafNodeOffset = 0x1000 + 4;
constexpr qsizetype allocatorOffset = allocatorAddress + 4;
constexpr qsizetype directoryOffset = allocatorOffset + 8 + 256 * 4;

// The space not taken by the three blocks, as free lists by size (2^i bytes).
struct FreeList {
    int log2Size;
    std::array<uint32_t, 2> addresses;
    int count;
};
constexpr std::array<FreeList, 6> freeLists{{
    {5, {0x20, 0x60}, 2},
    {7, {0x80, 0}, 1},
    {8, {0x100, 0}, 1},
    {9, {0x200, 0}, 1},
    {10, {0x400, 0}, 1},
    {11, {0x800, 0x2800}, 2},
}};

} // namespace

Expected<QByteArray, DSStoreError> DSStoreWriter::serialize(QList<DSStoreRecord> records)
{
    std::stable_sort(records.begin(), records.end());

    QByteArray node;
    bigendian::append32(node, 0); // a leaf: no child block
    bigendian::append32(node, static_cast<uint32_t>(records.size()));
    for (const DSStoreRecord& record : records) {
        VORLAP_TRY_LET(entry, record.encode());
        node.append(entry);
        if (node.size() > nodeSize)
            return unexpected(DSStoreError{
                QStringLiteral("The window layout has too many entries for one .DS_Store node (%1 records)")
                    .arg(records.size())});
    }
    node.resize(nodeSize, '\0');

    QByteArray file(fileSize, '\0');
    bigendian::put32(file, 0, 1);
    file.replace(4, 4, "Bud1");
    bigendian::put32(file, 8, allocatorAddress);
    bigendian::put32(file, 12, 0x800);
    bigendian::put32(file, 16, allocatorAddress);
    bigendian::put32(file, 20, leafNodeEntry);

    bigendian::put32(file, headerBlockOffset + 0, 2); // root node: block 2
    bigendian::put32(file, headerBlockOffset + 4, 0); // no internal levels
    bigendian::put32(file, headerBlockOffset + 8, static_cast<uint32_t>(records.size()));
    bigendian::put32(file, headerBlockOffset + 12, 1); // one node
    bigendian::put32(file, headerBlockOffset + 16, nodeSize);

    file.replace(leafNodeOffset, nodeSize, node);

    bigendian::put32(file, allocatorOffset + 0, 3); // blocks in the table
    bigendian::put32(file, allocatorOffset + 4, 0);
    bigendian::put32(file, allocatorOffset + 8, allocatorEntry);
    bigendian::put32(file, allocatorOffset + 12, headerBlockEntry);
    bigendian::put32(file, allocatorOffset + 16, leafNodeEntry);

    qsizetype at = directoryOffset;
    bigendian::put32(file, at, 1); // one directory entry
    at += 4;
    file[at++] = 4;
    file.replace(at, 4, "DSDB");
    at += 4;
    bigendian::put32(file, at, 1); // its header block
    at += 4;

    auto list = freeLists.cbegin();
    for (int log2Size = 0; log2Size < 32; ++log2Size) {
        if (list != freeLists.cend() && list->count > 0 && list->log2Size == log2Size) {
            bigendian::put32(file, at, static_cast<uint32_t>(list->count));
            at += 4;
            for (int i = 0; i < list->count; ++i, at += 4)
                bigendian::put32(file, at, list->addresses[static_cast<size_t>(i)]);
            ++list;
        } else {
            bigendian::put32(file, at, 0);
            at += 4;
        }
    }
    return file;
}

} // namespace vorlap
