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

} // namespace

std::optional<ImageFormat> imageFormatFromName(std::string_view name)
{
    if (name == "UDZO")
        return ImageFormat::UDZO;
    if (name == "UDRW")
        return ImageFormat::UDRW;
    return std::nullopt;
}

Result<void> convertImage(DiskImage& input, const std::string& outputPath, ImageFormat format,
                          const UdzoOptions& options)
{
    VORLAP_TRY(input.verify());
    if (format == ImageFormat::UDRW)
        return writeUdrw(input, outputPath);
    if (input.isUdif())
        return writeUdzo(input, layoutOf(input), outputPath, options);
    return writeUdzo(input, outputPath, options);
}

Result<void> convertImage(const std::string& inputPath, const std::string& outputPath, ImageFormat format,
                          const UdzoOptions& options)
{
    VORLAP_TRY_LET(image, DiskImage::open(inputPath));
    return convertImage(*image, outputPath, format, options);
}

} // namespace vorlap::diskimage::udif
