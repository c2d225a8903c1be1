// hdiutil detach: the folder's tree written back into the image as a new volume of the
// same name and size, then the folder removed.
#include "diskimage/hfsplus/VolumeWriter.h"
#include "hdiutil/AttachmentRegistry.h"
#include "hdiutil/CommandLine.h"
#include "hdiutil/Commands.h"
#include "hdiutil/MountPoint.h"

#include <sys/stat.h>

namespace vorlap::hdiutil {

diskimage::Result<CommandResult> detachImage(const std::vector<std::string>& arguments)
{
    const VerbSyntax syntax{{}, {"-quiet", "-force"}, 1};
    auto parsed = parseArguments(arguments, syntax);
    if (!parsed)
        return diskimage::fail(parsed.error().message);

    auto registry = AttachmentRegistry::open();
    if (!registry)
        return diskimage::fail(registry.error().message);
    const std::string mountPoint = canonicalPath(parsed->positionals[0]);
    const auto attachment = registry->findByMountPoint(mountPoint);
    if (!attachment)
        return diskimage::fail(parsed->positionals[0] + ": no image is attached there");

    struct stat st {};
    if (::lstat(attachment->mountPoint.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        // The folder went away behind our back: nothing is left to write.
        registry->release(*attachment);
        return diskimage::fail(attachment->mountPoint + ": the attached folder has disappeared");
    }

    if (attachment->writable) {
        diskimage::hfsplus::VolumeOptions options;
        options.volumeName = attachment->volumeName;
        options.sizeBytes = attachment->volumeSize;
        // The folder's item numbers become the catalog node IDs, so that aliases made
        // while attached still find their items.
        options.useItemNumbersAsIds = true;
        auto written = diskimage::hfsplus::writeVolume(attachment->mountPoint, attachment->imagePath, options);
        if (!written)
            return diskimage::fail(written.error().message); // still attached: nothing is lost
    } else {
        ::chmod(attachment->mountPoint.c_str(), 0700);
    }

    const std::error_code error = discardMountPoint(*attachment);
    registry->release(*attachment);
    if (error)
        return diskimage::fail(attachment->mountPoint + ": " + error.message());
    return CommandResult{"\"" + attachment->mountPoint + "\" ejected.\n", parsed->has("-quiet")};
}

} // namespace vorlap::hdiutil
