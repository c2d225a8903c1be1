#include "diskimage/hfsplus/VolumeLocator.h"

#include "diskimage/PartitionMap.h"

#include <cstring>

namespace vorlap::diskimage::hfsplus {

namespace {

bool isHfsType(const std::string& type)
{
    return type == "Apple_HFS" || type == "Apple_HFSX";
}

bool hasBytes(ByteSource& disk, const Partition& p, uint64_t at, const char* bytes, size_t length)
{
    if (at + length > p.length())
        return false;
    uint8_t found[8] = {};
    return disk.readAt(p.offset() + at, found, length) && std::memcmp(found, bytes, length) == 0;
}

} // namespace

VolumeSignature volumeSignature(ByteSource& disk, const Partition& p)
{
    if (!rangeInside(p.firstSector, p.sectorCount, disk.size() / 512))
        return VolumeSignature::None;
    if (hasBytes(disk, p, 1024, "H+", 2))
        return VolumeSignature::HfsPlus;
    if (hasBytes(disk, p, 1024, "HX", 2))
        return VolumeSignature::Hfsx;
    if (hasBytes(disk, p, 32, "NXSB", 4))
        return VolumeSignature::Apfs;
    return VolumeSignature::None;
}

Result<Partition> locateHfsVolume(ByteSource& disk, const std::vector<Partition>& named)
{
    std::vector<Partition> candidates;
    for (const Partition& p : named)
        if (isHfsType(p.type))
            candidates.push_back(p);
    const bool namedHfs = !candidates.empty();
    candidates.push_back(wholeDiskPartition(disk.size()));
    std::vector<Partition> map;
    if (!namedHfs) {
        // No partition is named as one: look at the disk's own map.
        if (auto read = readPartitionMap(disk); read)
            map = std::move(*read);
        for (const Partition& p : map)
            if (isHfsType(p.type))
                candidates.push_back(p);
    }

    bool apfs = false;
    for (const Partition& p : candidates) {
        const VolumeSignature signature = volumeSignature(disk, p);
        if (signature == VolumeSignature::HfsPlus || signature == VolumeSignature::Hfsx)
            return p;
        apfs = apfs || signature == VolumeSignature::Apfs;
    }
    const std::vector<Partition>* lists[] = {&named, &map};
    for (const std::vector<Partition>* list : lists)
        for (const Partition& p : *list)
            apfs = apfs || p.type == "Apple_APFS" || volumeSignature(disk, p) == VolumeSignature::Apfs;
    if (apfs)
        return fail(ErrorCode::unsupported, "the image holds an APFS volume, which is not supported");
    return fail(ErrorCode::corrupt, "no HFS+ volume found in the image");
}

} // namespace vorlap::diskimage::hfsplus
