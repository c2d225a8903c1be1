#include "diskimage/udif/VolumeLocator.h"

#include "diskimage/udif/PartitionMap.h"

#include <cstring>

namespace vorlap::diskimage::udif {

namespace {

bool isHfsType(const std::string& type)
{
    return type == "Apple_HFS" || type == "Apple_HFSX";
}

bool hasSignature(ByteSource& disk, const Partition& p, uint64_t at, const char* signature, size_t length)
{
    if (p.firstSector > disk.size() / 512 || p.sectorCount > disk.size() / 512 - p.firstSector)
        return false;
    if (at + length > p.length())
        return false;
    uint8_t bytes[8] = {};
    if (!disk.readAt(p.offset() + at, bytes, length))
        return false;
    return std::memcmp(bytes, signature, length) == 0;
}

bool holdsHfs(ByteSource& disk, const Partition& p)
{
    return hasSignature(disk, p, 1024, "H+", 2) || hasSignature(disk, p, 1024, "HX", 2);
}

} // namespace

Result<Partition> locateHfsVolume(DiskImage& image)
{
    std::vector<Partition> candidates;
    for (const Partition& p : image.partitions())
        if (isHfsType(p.type))
            candidates.push_back(p);
    std::vector<Partition> map;
    if (candidates.empty() && image.isUdif()) {
        // Tables named in a way we do not know: look at the disk's own map.
        if (auto r = readPartitionMap(image); r)
            map = std::move(*r);
        for (const Partition& p : map)
            if (isHfsType(p.type))
                candidates.push_back(p);
    }
    Partition whole;
    whole.name = "whole disk";
    whole.id = "0";
    whole.sectorCount = image.size() / 512;
    candidates.push_back(whole);

    for (const Partition& p : candidates)
        if (holdsHfs(image, p))
            return p;

    const std::vector<Partition>* lists[] = {&image.partitions(), &map};
    for (const std::vector<Partition>* list : lists)
        for (const Partition& p : *list)
            if (p.type == "Apple_APFS" || hasSignature(image, p, 32, "NXSB", 4))
                return fail("the image holds an APFS volume, which is not supported");
    return fail("no HFS+ volume found in the image");
}

Result<std::unique_ptr<SliceByteSource>> openHfsVolume(DiskImage& image)
{
    auto partition = locateHfsVolume(image);
    if (!partition)
        return unexpected(partition.error());
    return SliceByteSource::make(image, partition->offset(), partition->length());
}

} // namespace vorlap::diskimage::udif
