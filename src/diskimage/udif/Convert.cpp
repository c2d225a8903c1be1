#include "diskimage/udif/Convert.h"

#include <algorithm>
#include <charconv>

namespace vorlap::diskimage::udif {

namespace {

std::vector<TableLayout> layoutOf(const DiskImage& image)
{
    std::vector<TableLayout> layout;
    for (const Partition& p : image.partitions()) {
        if (p.sectorCount == 0)
            continue;
        TableLayout t;
        t.name = p.name;
        t.firstSector = p.firstSector;
        t.sectorCount = p.sectorCount;
        int32_t id = 0;
        const auto [end, ec] = std::from_chars(p.id.data(), p.id.data() + p.id.size(), id);
        t.id = ec == std::errc() && end == p.id.data() + p.id.size() ? id : static_cast<int32_t>(layout.size()) - 1;
        layout.push_back(std::move(t));
    }
    std::stable_sort(layout.begin(), layout.end(),
                     [](const TableLayout& a, const TableLayout& b) { return a.firstSector < b.firstSector; });
    return layout;
}

struct FormatEntry {
    std::string_view name;
    ImageFormat format;
    ChunkType codec; // of the chunks that carry data
};

constexpr FormatEntry kFormats[] = {
    {"UDZO", ImageFormat::UDZO, ChunkType::Zlib},  {"UDBZ", ImageFormat::UDBZ, ChunkType::Bzip2},
    {"ULMO", ImageFormat::ULMO, ChunkType::Lzma},  {"UDRO", ImageFormat::UDRO, ChunkType::Raw},
    {"UDRW", ImageFormat::UDRW, ChunkType::Raw},
};

} // namespace

std::optional<ImageFormat> imageFormatFromName(std::string_view name)
{
    for (const FormatEntry& entry : kFormats)
        if (entry.name == name)
            return entry.format;
    return std::nullopt;
}

const char* imageFormatNames()
{
    return "UDZO, UDBZ, ULMO, UDRO or UDRW";
}

Result<void> convertImage(DiskImage& input, const std::string& outputPath, ImageFormat format,
                          const UdzoOptions& options)
{
    VORLAP_TRY(input.verify());
    if (format == ImageFormat::UDRW)
        return input.isUdif() ? writeUdrw(input, layoutOf(input), outputPath) : writeUdrw(input, outputPath);
    UdzoOptions chosen = options;
    for (const FormatEntry& entry : kFormats)
        if (entry.format == format)
            chosen.codec = entry.codec;
    if (input.isUdif())
        return writeUdzo(input, layoutOf(input), outputPath, chosen);
    return writeUdzo(input, outputPath, chosen);
}

Result<void> convertImage(const std::string& inputPath, const std::string& outputPath, ImageFormat format,
                          const UdzoOptions& options)
{
    VORLAP_TRY_LET(image, DiskImage::open(inputPath));
    return convertImage(*image, outputPath, format, options);
}

} // namespace vorlap::diskimage::udif
