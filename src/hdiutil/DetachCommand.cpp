// hdiutil detach: the folder's tree written back into the image as a new volume of the
// same name and size, then the folder removed. -force removes the folder and the record
// whatever happens, discarding changes that cannot be written back.
#include "diskimage/hfsplus/VolumeWriter.h"
#include "hdiutil/AttachmentRegistry.h"
#include "hdiutil/CommandLine.h"
#include "hdiutil/Commands.h"
#include "hdiutil/MountPoint.h"

#include <sys/stat.h>

namespace vorlap::hdiutil {

namespace {

diskimage::Result<void> writeBack(const Attachment& attachment)
{
    VORLAP_TRY_LET(epoch, sourceDateEpoch());
    auto options = diskimage::hfsplus::attachedFolderOptions(attachment.volumeName, attachment.volumeSize, epoch);
    // The image keeps its kind: UDIF stays UDIF, a bare volume (read as UDRW) stays bare.
    options.udrwImage = attachment.udif;
    VORLAP_TRY(diskimage::hfsplus::writeVolume(attachment.mountPoint, attachment.imagePath, options));
    return {};
}

} // namespace

diskimage::Result<CommandResult> detachImage(const std::vector<std::string>& arguments)
{
    const VerbSyntax syntax{{}, {"-quiet", "-force"}, 1};
    VORLAP_TRY_LET(parsed, parseArguments(arguments, syntax));
    const bool force = parsed.has("-force");

    VORLAP_TRY_LET(registry, AttachmentRegistry::open());
    const std::string mountPoint = canonicalPath(parsed.positionals[0]);
    const auto attachment = registry.findByMountPoint(mountPoint);
    if (!attachment)
        return diskimage::fail(diskimage::ErrorCode::notFound, parsed.positionals[0] + ": no image is attached there");

    struct stat st {};
    if (::lstat(attachment->mountPoint.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        // The folder went away behind our back: nothing is left to write.
        registry.release(*attachment);
        return diskimage::fail(diskimage::ErrorCode::notFound,
                               attachment->mountPoint + ": the attached folder has disappeared");
    }

    std::string warning;
    if (!attachment->complete) {
        // A partial tree written back would replace the volume with a fragment of it.
        if (!force)
            return diskimage::fail(
                diskimage::ErrorCode::busy,
                attachment->mountPoint +
                    ": the attach did not finish; the image is unchanged (use -force to discard the folder)");
        warning = "the attach did not finish; the folder was discarded and the image left unchanged";
    } else if (attachment->writable) {
        // On failure the image stays attached, so nothing is lost, unless forced.
        if (auto written = writeBack(*attachment); !written) {
            if (!force)
                return unexpected(written.error());
            warning = "changes discarded, the image is unchanged: " + written.error().message;
        }
    }

    const std::error_code error = discardMountPoint(*attachment);
    registry.release(*attachment);
    if (error)
        return diskimage::failWithSystemError(attachment->mountPoint, error);
    return CommandResult{"\"" + attachment->mountPoint + "\" ejected.\n", parsed.has("-quiet"), warning};
}

} // namespace vorlap::hdiutil
