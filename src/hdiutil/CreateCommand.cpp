// hdiutil create: an empty HFS+ volume in a new read/write (UDRW) image.
#include "diskimage/hfsplus/VolumeWriter.h"
#include "hdiutil/CommandLine.h"
#include "hdiutil/Commands.h"
#include "hdiutil/ImagePaths.h"
#include "hdiutil/SizeArgument.h"

#include <algorithm>
#include <cctype>

namespace vorlap::hdiutil {

namespace {

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

} // namespace

diskimage::Result<CommandResult> createImage(const std::vector<std::string>& arguments)
{
    const VerbSyntax syntax{{"-size", "-fs", "-volname", "-type", "-layout"}, {"-ov", "-quiet", "-nospotlight"}, 1};
    VORLAP_TRY_LET(parsed, parseArguments(arguments, syntax));

    const std::string* size = parsed.value("-size");
    if (!size)
        return diskimage::fail(diskimage::ErrorCode::invalidArgument, "-size is required");
    VORLAP_TRY_LET(bytes, parseSize(*size));
    // Whole 4 KiB allocation blocks.
    const uint64_t volumeBytes = (bytes + 4095) / 4096 * 4096;

    const std::string* fsName = parsed.value("-fs");
    if (!fsName)
        return diskimage::fail(diskimage::ErrorCode::invalidArgument, "-fs is required (HFS+)");
    if (*fsName != "HFS+")
        return diskimage::fail(diskimage::ErrorCode::unsupported,
                               "unsupported file system \"" + *fsName + "\" (only HFS+ is supported)");
    if (const std::string* type = parsed.value("-type"); type && lower(*type) != "udif")
        return diskimage::fail(diskimage::ErrorCode::unsupported,
                               "unsupported image type \"" + *type + "\" (only UDIF)");
    if (const std::string* layout = parsed.value("-layout"); layout && lower(*layout) != "none")
        return diskimage::fail(diskimage::ErrorCode::unsupported, "unsupported layout \"" + *layout + "\" (only NONE)");

    std::string volumeName = parsed.value("-volname") ? *parsed.value("-volname") : std::string();
    if (volumeName.empty())
        volumeName = "untitled";

    const std::string path = withImageExtension(parsed.positionals[0]);
    if (!parsed.has("-ov") && pathExists(path))
        return diskimage::fail(diskimage::ErrorCode::exists, path + ": File exists");

    diskimage::hfsplus::VolumeOptions options;
    options.volumeName = volumeName;
    options.sizeBytes = volumeBytes;
    VORLAP_TRY_LET(epoch, sourceDateEpoch());
    options.sourceDateEpoch = epoch;
    options.udrwImage = true;
    VORLAP_TRY(diskimage::hfsplus::writeEmptyVolume(path, options));
    return CommandResult{"created: " + path + "\n", parsed.has("-quiet")};
}

} // namespace vorlap::hdiutil
