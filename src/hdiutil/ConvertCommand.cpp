// hdiutil convert: a new image in another format, written completely or not at all.
#include "diskimage/udif/Convert.h"
#include "hdiutil/AttachmentRegistry.h"
#include "hdiutil/CommandLine.h"
#include "hdiutil/Commands.h"
#include "hdiutil/ImagePaths.h"

namespace vorlap::hdiutil {

diskimage::Result<CommandResult> convertImage(const std::vector<std::string>& arguments)
{
    const VerbSyntax syntax{{"-format", "-o", "-imagekey"}, {"-ov", "-quiet"}, 1};
    VORLAP_TRY_LET(parsed, parseArguments(arguments, syntax));
    const std::string* formatName = parsed.value("-format");
    if (!formatName)
        return diskimage::fail(diskimage::ErrorCode::invalidArgument, "-format is required (UDZO or UDRW)");
    const auto format = diskimage::udif::imageFormatFromName(*formatName);
    if (!format)
        return diskimage::fail(diskimage::ErrorCode::unsupported, "unsupported format \"" + *formatName + "\" (UDZO or UDRW)");
    const std::string* outArgument = parsed.value("-o");
    if (!outArgument)
        return diskimage::fail(diskimage::ErrorCode::invalidArgument, "-o is required");

    diskimage::udif::UdzoOptions options;
    if (const std::string* key = parsed.value("-imagekey")) {
        const std::string prefix = "zlib-level=";
        if (key->rfind(prefix, 0) != 0 || key->size() != prefix.size() + 1 || (*key)[prefix.size()] < '1' ||
            (*key)[prefix.size()] > '9')
            return diskimage::fail(diskimage::ErrorCode::unsupported, "unsupported image key \"" + *key + "\" (zlib-level=1 ... 9)");
        options.zlibLevel = (*key)[prefix.size()] - '0';
    }

    const std::string input = canonicalPath(parsed.positionals[0]);
    const std::string output = withImageExtension(*outArgument);
    if (canonicalPath(output) == input)
        return diskimage::fail(diskimage::ErrorCode::invalidArgument, "the output would replace the image being converted");
    if (!parsed.has("-ov") && pathExists(output))
        return diskimage::fail(diskimage::ErrorCode::exists, output + ": File exists");
    // An attached read/write image is out of date until detached.
    if (auto registry = AttachmentRegistry::open(); registry) {
        if (const auto attached = registry->findByImage(input); attached && attached->writable)
            return diskimage::fail(diskimage::ErrorCode::busy, input + ": the image is attached at " + attached->mountPoint + "; detach it first");
    }

    VORLAP_TRY(diskimage::udif::convertImage(input, output, *format, options));
    return CommandResult{"created: " + output + "\n", parsed.has("-quiet")};
}

} // namespace vorlap::hdiutil
