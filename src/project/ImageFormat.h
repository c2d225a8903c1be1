#pragma once
// The kinds of disk image a build can write. UDZO opens on every macOS and stays the
// default; the others trade reach for size. One home for the names, the labels the save
// panel shows and the order they are offered in.
#include <QString>

#include <optional>
#include <span>

namespace vorlap {

enum class ImageFormat { udzo, ulmo, udbz };

struct ImageFormatInfo {
    ImageFormat format;
    const char* name;  // hdiutil's name, as `-format` and the project file spell it
    const char* label; // what the save panel offers
};

// Every format, the default first.
std::span<const ImageFormatInfo> imageFormats();
const ImageFormatInfo& imageFormatInfo(ImageFormat format);

QString imageFormatName(ImageFormat format);
// "UDZO", "udzo", ... ; nullopt for anything we cannot write.
std::optional<ImageFormat> imageFormatFromName(const QString& name);
// "UDZO, ULMO or UDBZ", for messages.
QString imageFormatNameList();

} // namespace vorlap
