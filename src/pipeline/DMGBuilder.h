#pragma once
// Runs one build of a disk image, and the small operations around its steps.
#include "pipeline/BuildConfig.h"
#include "pipeline/BuildError.h"
#include "common/Expected.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace vorlap {

class DMGBuilder {
public:
    using BuildConfig = vorlap::BuildConfig;

    // ---- One build ----

    // Receives each progress message ("Creating temporary DMG...", ..., "Done!"), called
    // on the building thread at the moment of each step. Unset: messages are dropped.
    std::function<void(const QString&)> onProgress;

    // Turns the request into a compressed, read-only image at config.outputPath. Blocks
    // the calling thread (never call it on the interface thread). On every way out after
    // the work folder exists, the volume is detached and the work folder removed; an
    // existing file at the output path is replaced only by a complete image.
    Expected<void, BuildError> build(const BuildConfig& config);

    // ---- Tools ----

    // Runs `command` through "/usr/bin/env" (so its first element is looked up on PATH),
    // with standard output and standard error sharing one pipe that is read while the tool
    // runs. Returns the output (empty when it is not valid UTF-8). A tool that exits with a
    // non-zero status or is killed by a signal fails with hdiutilFailed, detail
    // "<command joined by blanks>: <output exactly>"; a tool that cannot be started fails
    // with the platform's SystemError. Blocks until the tool has exited; needs no event
    // loop and may run on any thread.
    static Expected<QString, BuildError> runTool(const QStringList& command);

    // Runs "hdiutil detach <mountPoint> -quiet" and ignores every outcome.
    static void detachQuietly(const QString& mountPoint);

    // ---- Sizing and naming ----

    // The sum of the sizes of every entry below `folder` (folders count 0, symbolic links
    // count themselves and are not followed, hidden entries and bundles are included,
    // unreadable entries are skipped). A folder that cannot be walked, or is missing, gives
    // 0; a plain file in its place gives its own size. A sum beyond the signed 64-bit range
    // fails with buildFailed.
    static Expected<qint64, BuildError> directorySize(const QString& folder);

    // Megabytes for the read/write image: (application + background file + 10,000,000)
    // / 1,000,000 + 1, at least 16. A background that cannot be read counts 0.
    static Expected<qint64, BuildError> imageSizeMegabytes(const QString& appPath,
                                                           const std::optional<QString>& backgroundPath);

    // The first 8 bytes of the SHA-256 digest as 16 lower-case hexadecimal digits.
    static QString shortHash(const QByteArray& bytes);

    // Removes the entry at `path` (a folder with everything in it; symbolic links are
    // removed, not followed) and ignores any failure.
    static void removeQuietly(const QString& path);
};

} // namespace vorlap
