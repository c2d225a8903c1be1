#include "diskimage/udif/VolumeLocator.h"

#include "diskimage/hfsplus/VolumeLocator.h"

namespace vorlap::diskimage::udif {

Result<Partition> locateHfsVolume(DiskImage& image)
{
    return hfsplus::locateHfsVolume(image, image.partitions());
}

Result<std::unique_ptr<SliceByteSource>> openHfsVolume(DiskImage& image)
{
    auto partition = locateHfsVolume(image);
    if (!partition)
        return unexpected(partition.error());
    return SliceByteSource::make(image, partition->offset(), partition->length());
}

} // namespace vorlap::diskimage::udif
