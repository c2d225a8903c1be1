#pragma once
// Names an HFS+ volume cannot hold, found before any image is made rather than after the
// whole copy.
#include "common/Expected.h"
#include "pipeline/PipelineError.h"

#include <QString>

namespace vorlap {

// Checks every name below `folder` (the folder's own name included): each must be valid
// UTF-8 and at most 255 UTF-16 units once decomposed (HFS+ stores names in NFD), and no
// two names in one folder may be equal once decomposed and case-folded (HFS+ compares
// names without case). Fails with buildFailed naming the first offending path; a folder
// that cannot be read is left to the copy, which reports it.
Expected<void, PipelineError> checkVolumeNames(const QString& folder);

} // namespace vorlap
