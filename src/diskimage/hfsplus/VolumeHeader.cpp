#include "diskimage/hfsplus/VolumeHeader.h"

#include "common/BigEndian.h"

namespace vorlap::diskimage::hfsplus {

std::array<uint8_t, volumeHeaderSize> VolumeHeader::encode() const
{
    std::array<uint8_t, volumeHeaderSize> out{};
    uint8_t* p = out.data();
    storeBE16(p + 0, signature);
    storeBE16(p + 2, version);
    storeBE32(p + 4, attributes);
    storeBE32(p + 8, lastMountedVersion);
    storeBE32(p + 12, journalInfoBlock);
    storeBE32(p + 16, createDate);
    storeBE32(p + 20, modifyDate);
    storeBE32(p + 24, backupDate);
    storeBE32(p + 28, checkedDate);
    storeBE32(p + 32, fileCount);
    storeBE32(p + 36, folderCount);
    storeBE32(p + 40, blockSize);
    storeBE32(p + 44, totalBlocks);
    storeBE32(p + 48, freeBlocks);
    storeBE32(p + 52, nextAllocation);
    storeBE32(p + 56, rsrcClumpSize);
    storeBE32(p + 60, dataClumpSize);
    storeBE32(p + 64, nextCatalogId);
    storeBE32(p + 68, writeCount);
    storeBE64(p + 72, encodingsBitmap);
    for (size_t i = 0; i < finderInfo.size(); ++i)
        storeBE32(p + 80 + 4 * i, finderInfo[i]);
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
    h.signature = loadBE16(p + 0);
    h.version = loadBE16(p + 2);
    if (h.signature == hfsxSignature)
        return fail(ErrorCode::unsupported, "the volume is HFSX (case-sensitive HFS+), which is not supported");
    if (h.signature != hfsPlusSignature)
        return fail(ErrorCode::corrupt, "not an HFS+ volume (no \"H+\" signature)");
    if (h.version != 4)
        return fail(ErrorCode::unsupported, "unsupported HFS+ volume version " + std::to_string(h.version));
    h.attributes = loadBE32(p + 4);
    h.lastMountedVersion = loadBE32(p + 8);
    h.journalInfoBlock = loadBE32(p + 12);
    h.createDate = loadBE32(p + 16);
    h.modifyDate = loadBE32(p + 20);
    h.backupDate = loadBE32(p + 24);
    h.checkedDate = loadBE32(p + 28);
    h.fileCount = loadBE32(p + 32);
    h.folderCount = loadBE32(p + 36);
    h.blockSize = loadBE32(p + 40);
    h.totalBlocks = loadBE32(p + 44);
    h.freeBlocks = loadBE32(p + 48);
    h.nextAllocation = loadBE32(p + 52);
    h.rsrcClumpSize = loadBE32(p + 56);
    h.dataClumpSize = loadBE32(p + 60);
    h.nextCatalogId = loadBE32(p + 64);
    h.writeCount = loadBE32(p + 68);
    h.encodingsBitmap = loadBE64(p + 72);
    for (size_t i = 0; i < h.finderInfo.size(); ++i)
        h.finderInfo[i] = loadBE32(p + 80 + 4 * i);
    h.allocationFile = ForkData::decode(p + 112);
    h.extentsFile = ForkData::decode(p + 192);
    h.catalogFile = ForkData::decode(p + 272);
    h.attributesFile = ForkData::decode(p + 352);
    h.startupFile = ForkData::decode(p + 432);
    if (h.blockSize < 512 || (h.blockSize & (h.blockSize - 1)) != 0)
        return fail(ErrorCode::corrupt, "the volume header has an invalid block size " + std::to_string(h.blockSize));
    if (h.totalBlocks == 0)
        return fail(ErrorCode::corrupt, "the volume header says the volume has no blocks");
    return h;
}

} // namespace vorlap::diskimage::hfsplus
