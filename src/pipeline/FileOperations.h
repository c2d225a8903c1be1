#pragma once
// The file-system steps of a build, each failing with the platform's description.
#include "common/Expected.h"
#include "pipeline/PipelineError.h"

#include <QByteArray>
#include <QString>

namespace vorlap::files {

// True when a file, folder or other item exists at `path` (symbolic links followed).
bool exists(const QString& path);

// Creates the folder and any missing parents; an existing folder is success.
Expected<void, PipelineError> createFolder(const QString& path);

// Copies `source` to `destination` (which must not exist): folders recursively with hidden
// entries, symbolic links as links, files with their bytes (holes stay holes where the file
// systems tell them apart); modes, modification times and, when run as root, owners are
// kept. A `source` that is itself a symbolic link is followed. Sockets, devices and
// FIFOs are refused.
Expected<void, PipelineError> copyRecursively(const QString& source, const QString& destination);

// A symbolic link at `path` whose target text is `target`.
Expected<void, PipelineError> createSymbolicLink(const QString& path, const QString& target);

// Writes `bytes` to `path`, replacing an existing file (not atomically).
Expected<void, PipelineError> writeFile(const QString& path, const QByteArray& bytes);

// Marks the folder as having a custom icon (the Finder then shows its .VolumeIcon.icns or
// Icon\r file). A file system without extended attributes leaves the generic icon: that is
// not a failure.
Expected<void, PipelineError> setCustomIconFlag(const QString& folder);

// Whether the image may be published at `destination`: nothing or a regular file is
// there (a folder, link, FIFO, socket or device is refused), and its folder exists and
// takes new files. Failures name `destination`.
Expected<void, PipelineError> checkOutputPath(const QString& destination);

// Moves the file `source` to `destination`, replacing a file there. Across file systems the
// file is copied to a temporary name beside `destination` and renamed into place, so the
// destination holds either its old content or the complete new file, never a part. The
// file and its folder are synced to disk around the rename. Anything but a regular file
// at `destination` is refused rather than replaced (see checkOutputPath).
Expected<void, PipelineError> moveReplacing(const QString& source, const QString& destination);

} // namespace vorlap::files
