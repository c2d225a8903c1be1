// hdiutil convert: a new image in another format, written completely or not at all.
#include "diskimage/udif/ChunkCodec.h"
#include "diskimage/udif/Convert.h"
#include "hdiutil/AttachmentRegistry.h"
#include "hdiutil/CommandLine.h"
#include "hdiutil/Commands.h"
#include "hdiutil/ImagePaths.h"

#include <charconv>
#include <optional>

namespace vorlap::hdiutil {

namespace {

// "zlib-level=N", N from 1 to the last libdeflate level; nullopt for anything else.
std::optional<int> zlibLevelKey(const std::string& key)
{
    const std::string prefix = "zlib-level=";
    if (key.rfind(prefix, 0) != 0 || key.size() == prefix.size() || key.size() > prefix.size() + 2)
        return std::nullopt;
    int level = 0;
    const char* end = key.data() + key.size();
    const auto [stop, ec] = std::from_chars(key.data() + prefix.size(), end, level);
    if (ec != std::errc() || stop != end || level < 1 || level > diskimage::udif::kMaxZlibLevel)
        return std::nullopt;
    return level;
}

} // namespace

diskimage::Result<CommandResult> convertImage(const std::vector<std::string>& arguments)
{
    const VerbSyntax syntax{{"-format", "-o", "-imagekey"}, {"-ov", "-quiet"}, 1};
    VORLAP_TRY_LET(parsed, parseArguments(arguments, syntax));
    const std::string* formatName = parsed.value("-format");
    if (!formatName)
        return diskimage::fail(diskimage::ErrorCode::invalidArgument,
                               std::string("-format is required (") + diskimage::udif::imageFormatNames() + ")");
    const auto format = diskimage::udif::imageFormatFromName(*formatName);
    if (!format)
        return diskimage::fail(diskimage::ErrorCode::unsupported, "unsupported format \"" + *formatName + "\" (" +
                                                                      diskimage::udif::imageFormatNames() + ")");
    const std::string* outArgument = parsed.value("-o");
    if (!outArgument)
        return diskimage::fail(diskimage::ErrorCode::invalidArgument, "-o is required");

    diskimage::udif::UdzoOptions options;
    VORLAP_TRY_LET(epoch, sourceDateEpoch());
    options.contentDerivedId = epoch.has_value();
    if (const std::string* key = parsed.value("-imagekey")) {
        const auto level = zlibLevelKey(*key);
        if (!level)
            return diskimage::fail(diskimage::ErrorCode::unsupported,
                                   "unsupported image key \"" + *key + "\" (zlib-level=1 ... 12)");
        options.zlibLevel = *level;
    }

    const std::string input = canonicalPath(parsed.positionals[0]);
    const std::string output = withImageExtension(*outArgument);
    if (canonicalPath(output) == input)
        return diskimage::fail(diskimage::ErrorCode::invalidArgument,
                               "the output would replace the image being converted");
    if (!parsed.has("-ov") && pathExists(output))
        return diskimage::fail(diskimage::ErrorCode::exists, output + ": File exists");
    // An attached read/write image is out of date until detached.
    if (auto registry = AttachmentRegistry::open(); registry) {
        if (const auto attached = registry->findByImage(input); attached && attached->writable)
            return diskimage::fail(diskimage::ErrorCode::busy,
                                   input + ": the image is attached at " + attached->mountPoint + "; detach it first");
    }

    VORLAP_TRY(diskimage::udif::convertImage(input, output, *format, options));
    return CommandResult{"created: " + output + "\n", parsed.has("-quiet")};
}

} // namespace vorlap::hdiutil
