#pragma once
// The Finder layout a build writes: where the two icons sit, the window's bounds, and the
// six records of the volume's .DS_Store.
#include "pipeline/BuildConfig.h"
#include "pipeline/PipelineError.h"
#include "common/Expected.h"
#include "dsstore/DSStoreRecord.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

namespace vorlap {

struct IconLocation {
    uint32_t x = 0;
    uint32_t y = 0;

    bool operator==(const IconLocation&) const = default;
};

// The icon centre pulled at least half an icon inside the window (upper bound first, so an
// icon larger than the window ends at half its size), rounded half away from zero. Fails
// when an input is not finite or the result is not a whole number in 0 ... 2^32 - 1.
Expected<IconLocation, PipelineError> clampedIconLocation(Point centre, Size window, double iconSize);

// "{{100, 100}, {W, H + 28}}" with W and H rounded half away from zero; fails when the
// window size is not finite or too large to write.
Expected<QString, PipelineError> windowBoundsText(Size window);

// The six records in build order: vSrn, icvl, bwsp, the application's and the Applications
// link's icon locations, and icvp (with the alias when a background is shown).
Expected<QList<DSStoreRecord>, PipelineError> layoutRecords(const BuildConfig& config, const QString& appFileName,
                                                           const std::optional<QByteArray>& backgroundAlias);

} // namespace vorlap
