#pragma once
// Reading and writing ".vorlap" files, with plain-English reasons for failures.
#include "common/Expected.h"
#include "project/VorlapProject.h"

#include <QString>

namespace vorlap {

// The project stored at `path`, as decoded (not yet normalised). Fails with
// "<path>: <reason>" when the file cannot be read, or with the decoder's reason.
Expected<VorlapProject, ProjectError> readProjectFile(const QString& path);

// Writes the file form of `project` (as given; callers normalise) to `path`, replacing an
// existing file. The old file stays intact until the new one is complete. Fails with the
// encoder's reason, or "<path>: <reason>" when the file cannot be written.
Expected<void, ProjectError> writeProjectFile(const VorlapProject& project, const QString& path);

} // namespace vorlap
