#pragma once
// Runs one build of a disk image.
#include "pipeline/BuildConfig.h"
#include "pipeline/PipelineError.h"
#include "common/Expected.h"

#include <QString>

#include <functional>

namespace vorlap {

class DMGBuilder {
public:
    using BuildConfig = vorlap::BuildConfig;

    // Receives each progress message ("Creating temporary DMG...", ..., "Done!"), called
    // on the building thread at the moment of each step. Unset: messages are dropped.
    std::function<void(const QString&)> onProgress;

    // Turns the request into a compressed, read-only image at config.outputPath. Blocks
    // the calling thread (never call it on the interface thread). On every way out after
    // the work folder exists, the volume is detached and the work folder removed; an
    // existing file at the output path is replaced only by a complete image.
    Expected<void, PipelineError> build(const BuildConfig& config);
};

} // namespace vorlap
