#pragma once
// Running the disk-image tool (or any other) and collecting what it says.
#include "common/Expected.h"
#include "pipeline/PipelineError.h"

#include <QString>
#include <QStringList>

namespace vorlap {

// Runs `command` through "/usr/bin/env" (so its first element is looked up on PATH), with
// standard output and standard error sharing one pipe that is read while the tool runs.
// Returns the output (empty when it is not valid UTF-8). A tool that exits with a non-zero
// status or is killed by a signal fails with hdiutilFailed, detail "<command joined by
// blanks>: <output exactly>"; a tool that cannot be started fails with the platform's
// error. Blocks until the tool has exited; needs no event loop and may run on any thread.
Expected<QString, PipelineError> runTool(const QStringList& command);

// Runs "hdiutil detach <mountPoint> -quiet -force" and ignores every outcome: a clean-up
// releases the folder even when what it holds cannot be written back.
void detachQuietly(const QString& mountPoint);

} // namespace vorlap
