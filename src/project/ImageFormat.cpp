#include "project/ImageFormat.h"

#include <QStringList>

#include <array>

namespace vorlap {

namespace {

constexpr std::array<ImageFormatInfo, 3> formats{{
    {ImageFormat::udzo, "UDZO", "Compressed (UDZO, any macOS)"},
    {ImageFormat::ulmo, "ULMO", "Smallest (ULMO, macOS 10.15 or later)"},
    {ImageFormat::udbz, "UDBZ", "bzip2 (UDBZ)"},
}};

} // namespace

std::span<const ImageFormatInfo> imageFormats() { return formats; }

const ImageFormatInfo& imageFormatInfo(ImageFormat format)
{
    for (const ImageFormatInfo& info : formats)
        if (info.format == format)
            return info;
    return formats.front();
}

QString imageFormatName(ImageFormat format) { return QString::fromLatin1(imageFormatInfo(format).name); }

std::optional<ImageFormat> imageFormatFromName(const QString& name)
{
    for (const ImageFormatInfo& info : formats)
        if (name.compare(QLatin1String(info.name), Qt::CaseInsensitive) == 0)
            return info.format;
    return std::nullopt;
}

QString imageFormatNameList()
{
    QStringList names;
    for (const ImageFormatInfo& info : formats)
        names << QString::fromLatin1(info.name);
    const QString last = names.takeLast();
    return names.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last;
}

} // namespace vorlap
