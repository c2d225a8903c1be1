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
    auto parsed = parseArguments(arguments, syntax);
    if (!parsed)
        return diskimage::fail(parsed.error().message);
    const std::string* mountArgument = parsed->value("-mountpoint");
    if (!mountArgument)
        return diskimage::fail("-mountpoint is required");

    const std::string imagePath = canonicalPath(parsed->positionals[0]);
    auto image = diskimage::udif::DiskImage::open(imagePath);
    if (!image)
        return diskimage::fail(image.error().message);
    if (!parsed->has("-noverify")) {
        if (auto verified = (*image)->verify(); !verified)
            return diskimage::fail(verified.error().message);
    }
    auto reader = diskimage::hfsplus::VolumeReader::open(**image);
    if (!reader)
        return diskimage::fail(reader.error().message);
    const diskimage::hfsplus::VolumeInfo& volume = (*reader)->info();

    auto registry = AttachmentRegistry::open();
    if (!registry)
        return diskimage::fail(registry.error().message);

    Attachment attachment;
    attachment.imagePath = imagePath;
    attachment.mountPoint = canonicalPath(*mountArgument);
    attachment.volumeName = volume.name;
    attachment.volumeSize = volume.sizeBytes;
    // Only a bare read/write volume can take its folder back; compressed images and
    // partitioned disks are attached read-only (detach discards the folder).
    attachment.writable = !(*image)->isUdif() && volume.offset == 0 && volume.sizeBytes == (*image)->size() &&
                          !parsed->has("-readonly");

    if (auto claimed = registry->claim(attachment); !claimed)
        return diskimage::fail(claimed.error().message);
    auto created = prepareMountPoint(attachment.mountPoint);
    if (!created) {
        registry->release(attachment);
        return diskimage::fail(created.error().message);
    }
    attachment.createdMountPoint = *created;
    if (auto recorded = registry->update(attachment); !recorded) {
        discardMountPoint(attachment);
        registry->release(attachment);
        return diskimage::fail(recorded.error().message);
    }
    if (auto extracted = (*reader)->extractTo(attachment.mountPoint); !extracted) {
        discardMountPoint(attachment);
        registry->release(attachment);
        return diskimage::fail(extracted.error().message);
    }
    if (!attachment.writable)
        ::chmod(attachment.mountPoint.c_str(), 0555);
    return CommandResult{imagePath + "\tApple_HFS\t" + attachment.mountPoint + "\n", parsed->has("-quiet")};
}

} // namespace vorlap::hdiutil
