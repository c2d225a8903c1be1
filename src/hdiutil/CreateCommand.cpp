// hdiutil create: an empty HFS+ volume in a new read/write image.
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
    auto parsed = parseArguments(arguments, syntax);
    if (!parsed)
        return diskimage::fail(parsed.error().message);

    const std::string* size = parsed->value("-size");
    if (!size)
        return diskimage::fail("-size is required");
    auto bytes = parseSize(*size);
    if (!bytes)
        return diskimage::fail(bytes.error().message);
    // Whole 4 KiB allocation blocks.
    const uint64_t volumeBytes = (*bytes + 4095) / 4096 * 4096;

    const std::string* fsName = parsed->value("-fs");
    if (!fsName)
        return diskimage::fail("-fs is required (HFS+)");
    if (*fsName != "HFS+")
        return diskimage::fail("unsupported file system \"" + *fsName + "\" (only HFS+ is supported)");
    if (const std::string* type = parsed->value("-type"); type && lower(*type) != "udif")
        return diskimage::fail("unsupported image type \"" + *type + "\" (only UDIF)");
    if (const std::string* layout = parsed->value("-layout"); layout && lower(*layout) != "none")
        return diskimage::fail("unsupported layout \"" + *layout + "\" (only NONE)");

    std::string volumeName = parsed->value("-volname") ? *parsed->value("-volname") : std::string();
    if (volumeName.empty())
        volumeName = "untitled";

    const std::string path = withImageExtension(parsed->positionals[0]);
    if (!parsed->has("-ov") && pathExists(path))
        return diskimage::fail(path + ": File exists");

    diskimage::hfsplus::VolumeOptions options;
    options.volumeName = volumeName;
    options.sizeBytes = volumeBytes;
    auto written = diskimage::hfsplus::writeEmptyVolume(path, options);
    if (!written)
        return diskimage::fail(written.error().message);
    return CommandResult{"created: " + path + "\n", parsed->has("-quiet")};
}

} // namespace vorlap::hdiutil
