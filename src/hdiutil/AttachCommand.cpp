// hdiutil attach: the image's volume unpacked into a folder, writable when the image
// is a read/write one, and remembered until detach.
#include "diskimage/hfsplus/VolumeReader.h"
#include "diskimage/udif/DiskImage.h"
#include "hdiutil/AttachmentRegistry.h"
#include "hdiutil/CommandLine.h"
#include "hdiutil/Commands.h"
#include "hdiutil/ImagePaths.h"
#include "hdiutil/MountPoint.h"

#include <sys/stat.h>

namespace vorlap::hdiutil {

diskimage::Result<CommandResult> attachImage(const std::vector<std::string>& arguments)
{
    const VerbSyntax syntax{{"-mountpoint"}, {"-nobrowse", "-readonly", "-noverify", "-quiet", "-noautoopen"}, 1};
    VORLAP_TRY_LET(parsed, parseArguments(arguments, syntax));
    const std::string* mountArgument = parsed.value("-mountpoint");
    if (!mountArgument)
        return diskimage::fail(diskimage::ErrorCode::invalidArgument, "-mountpoint is required");

    const std::string imagePath = canonicalPath(parsed.positionals[0]);
    VORLAP_TRY_LET(image, diskimage::udif::DiskImage::open(imagePath));
    if (!parsed.has("-noverify"))
        VORLAP_TRY(image->verify());
    VORLAP_TRY_LET(reader, diskimage::hfsplus::VolumeReader::open(*image));
    const diskimage::hfsplus::VolumeInfo& volume = reader->info();

    VORLAP_TRY_LET(registry, AttachmentRegistry::open());

    Attachment attachment;
    attachment.imagePath = imagePath;
    attachment.mountPoint = canonicalPath(*mountArgument);
    attachment.volumeName = volume.name;
    attachment.volumeSize = volume.sizeBytes;
    // Only a read/write image of one volume can take its folder back; other images and
    // partitioned disks are attached read-only (detach discards the folder).
    attachment.writable =
        image->isReadWrite() && volume.offset == 0 && volume.sizeBytes == image->size() && !parsed.has("-readonly");
    attachment.udif = image->isUdif();

    VORLAP_TRY(registry.claim(attachment));
    auto created = prepareMountPoint(attachment.mountPoint);
    if (!created) {
        registry.release(attachment);
        return unexpected(created.error());
    }
    attachment.createdMountPoint = *created;
    if (auto recorded = registry.update(attachment); !recorded) {
        discardMountPoint(attachment);
        registry.release(attachment);
        return unexpected(recorded.error());
    }
    // A folder the user made keeps its own permissions; one we made takes the volume's.
    if (auto extracted = reader->extractTo(attachment.mountPoint, attachment.createdMountPoint); !extracted) {
        discardMountPoint(attachment);
        registry.release(attachment);
        return unexpected(extracted.error());
    }
    if (!attachment.writable && attachment.createdMountPoint)
        ::chmod(attachment.mountPoint.c_str(), 0555);
    attachment.complete = true;
    if (auto recorded = registry.update(attachment); !recorded) {
        discardMountPoint(attachment);
        registry.release(attachment);
        return unexpected(recorded.error());
    }
    return CommandResult{imagePath + "\tApple_HFS\t" + attachment.mountPoint + "\n", parsed.has("-quiet")};
}

} // namespace vorlap::hdiutil
