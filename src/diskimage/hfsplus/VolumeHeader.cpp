#include "diskimage/hfsplus/VolumeHeader.h"

#include "diskimage/hfsplus/BigEndian.h"

namespace vorlap::diskimage::hfsplus {

std::array<uint8_t, volumeHeaderSize> VolumeHeader::encode() const
{
    std::array<uint8_t, volumeHeaderSize> out{};
    uint8_t* p = out.data();
    writeU16(p + 0, signature);
    writeU16(p + 2, version);
    writeU32(p + 4, attributes);
    writeU32(p + 8, lastMountedVersion);
    writeU32(p + 12, journalInfoBlock);
    writeU32(p + 16, createDate);
    writeU32(p + 20, modifyDate);
    writeU32(p + 24, backupDate);
    writeU32(p + 28, checkedDate);
    writeU32(p + 32, fileCount);
    writeU32(p + 36, folderCount);
    writeU32(p + 40, blockSize);
    writeU32(p + 44, totalBlocks);
    writeU32(p + 48, freeBlocks);
    writeU32(p + 52, nextAllocation);
    writeU32(p + 56, rsrcClumpSize);
    writeU32(p + 60, dataClumpSize);
    writeU32(p + 64, nextCatalogId);
    writeU32(p + 68, writeCount);
    writeU64(p + 72, encodingsBitmap);
    for (size_t i = 0; i < finderInfo.size(); ++i)
        writeU32(p + 80 + 4 * i, finderInfo[i]);
    allocationFile.encode(p + 112);
    extentsFile.encode(p + 192);
    catalogFile.encode(p + 272);
    attributesFile.encode(p + 352);
    startupFile.encode(p + 432);
    return out;
}

Result<VolumeHeader> VolumeHeader::decode(const uint8_t* p)
{
    VolumeHeader h;
    h.signature = readU16(p + 0);
    h.version = readU16(p + 2);
    if (h.signature == hfsxSignature)
        return fail("the volume is HFSX (case-sensitive HFS+), which is not supported");
    if (h.signature != hfsPlusSignature)
        return fail("not an HFS+ volume (no \"H+\" signature)");
    if (h.version != 4)
        return fail("unsupported HFS+ volume version " + std::to_string(h.version));
    h.attributes = readU32(p + 4);
    h.lastMountedVersion = readU32(p + 8);
    h.journalInfoBlock = readU32(p + 12);
    h.createDate = readU32(p + 16);
    h.modifyDate = readU32(p + 20);
    h.backupDate = readU32(p + 24);
    h.checkedDate = readU32(p + 28);
    h.fileCount = readU32(p + 32);
    h.folderCount = readU32(p + 36);
    h.blockSize = readU32(p + 40);
    h.totalBlocks = readU32(p + 44);
    h.freeBlocks = readU32(p + 48);
    h.nextAllocation = readU32(p + 52);
    h.rsrcClumpSize = readU32(p + 56);
    h.dataClumpSize = readU32(p + 60);
    h.nextCatalogId = readU32(p + 64);
    h.writeCount = readU32(p + 68);
    h.encodingsBitmap = readU64(p + 72);
    for (size_t i = 0; i < h.finderInfo.size(); ++i)
        h.finderInfo[i] = readU32(p + 80 + 4 * i);
    h.allocationFile = ForkData::decode(p + 112);
    h.extentsFile = ForkData::decode(p + 192);
    h.catalogFile = ForkData::decode(p + 272);
    h.attributesFile = ForkData::decode(p + 352);
    h.startupFile = ForkData::decode(p + 432);
    if (h.blockSize < 512 || (h.blockSize & (h.blockSize - 1)) != 0)
        return fail("the volume header has an invalid block size " + std::to_string(h.blockSize));
    if (h.totalBlocks == 0)
        return fail("the volume header says the volume has no blocks");
    return h;
}

} // namespace vorlap::diskimage::hfsplus
