#pragma once
// How large the read/write image must be to hold the application and the background.
#include "common/Expected.h"
#include "pipeline/PipelineError.h"

#include <QString>

#include <optional>

namespace vorlap {

// The sum of the sizes of every entry below `folder` (folders count 0, symbolic links count
// themselves and are not followed, hidden entries and bundles are included, unreadable
// entries are skipped). A folder that cannot be walked, or is missing, gives 0; a plain
// file in its place gives its own size. A sum beyond the signed 64-bit range fails with
// buildFailed.
Expected<qint64, PipelineError> directorySize(const QString& folder);

// Megabytes for the read/write image: (application + background file + 10,000,000)
// / 1,000,000 + 1, at least 16. A background that cannot be read counts 0.
Expected<qint64, PipelineError> imageSizeMegabytes(const QString& appPath, const std::optional<QString>& backgroundPath);

} // namespace vorlap
