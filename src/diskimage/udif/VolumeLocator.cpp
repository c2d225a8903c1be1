#include "diskimage/udif/VolumeLocator.h"

#include "diskimage/hfsplus/VolumeLocator.h"

namespace vorlap::diskimage::udif {

Result<Partition> locateHfsVolume(DiskImage& image)
{
    return hfsplus::locateHfsVolume(image, image.partitions());
}

Result<std::unique_ptr<SliceByteSource>> openHfsVolume(DiskImage& image)
{
    VORLAP_TRY_LET(partition, locateHfsVolume(image));
    return SliceByteSource::make(image, partition.offset(), partition.length());
}

} // namespace vorlap::diskimage::udif
