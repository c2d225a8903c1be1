#pragma once
// Starts a program with one pipe for its standard output and standard error, collects
// everything it writes while it runs, and waits for it. Plain POSIX, callable from any
// thread.
#include "common/Expected.h"
#include "pipeline/PipelineError.h"

#include <QByteArray>
#include <QList>

namespace vorlap {

struct ChildResult {
    bool exitedNormally = false; // false when a signal ended the child
    int exitStatus = -1;         // the status passed to exit(), when it exited normally
    int signal = 0;              // the signal that ended it, when one did
    QByteArray output;           // standard output and standard error, interleaved

    bool succeeded() const { return exitedNormally && exitStatus == 0; }
};

// `executable` is a path (no search); `arguments` become argv[1...]. The child inherits
// the environment, working directory and standard input. Fails only when the child cannot
// be started or waited for.
Expected<ChildResult, PipelineError> runChild(const QByteArray& executable, const QList<QByteArray>& arguments);

} // namespace vorlap
