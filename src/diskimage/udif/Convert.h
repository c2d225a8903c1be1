#pragma once
// Converting between the image formats: any image this reader opens (UDZO, UDBZ,
// ULMO, UDRO, UDCO, UDRW/raw) to UDZO, UDBZ, ULMO, UDRO or UDRW, checking the
// source's checksums first.
#include "diskimage/DiskImageError.h"
#include "diskimage/udif/DiskImage.h"
#include "diskimage/udif/UdifWriter.h"

#include <optional>
#include <string>
#include <string_view>

namespace vorlap::diskimage::udif {

enum class ImageFormat { UDZO, UDBZ, ULMO, UDRO, UDRW };

// "UDZO", "UDBZ", "ULMO", "UDRO" or "UDRW"; nullopt for anything else.
std::optional<ImageFormat> imageFormatFromName(std::string_view name);
// The formats by name, for messages: "UDZO, UDBZ, ULMO, UDRO or UDRW".
const char* imageFormatNames();

// Writes the virtual disk of `input` to `outputPath` in `format` (which overrides
// options.codec). A UDIF source keeps its block tables (names, IDs, sector ranges) in
// a UDIF result; a raw source becomes one "whole disk" table. The output appears
// complete or not at all.
Result<void> convertImage(DiskImage& input, const std::string& outputPath, ImageFormat format,
                          const UdzoOptions& options = {});
Result<void> convertImage(const std::string& inputPath, const std::string& outputPath, ImageFormat format,
                          const UdzoOptions& options = {});

} // namespace vorlap::diskimage::udif
