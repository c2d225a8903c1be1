#pragma once
// Ctrl-C, SIGTERM and SIGHUP during a build: the step that runs finishes, the build stops
// at the next step with its usual clean-up, and the program then exits as the signal asks.
#include "common/Expected.h"
#include "pipeline/PipelineError.h"

namespace vorlap {

// While one exists, SIGINT, SIGTERM and SIGHUP are recorded instead of ending the process.
// The previous handlers come back when it goes.
class InterruptionGuard {
public:
    InterruptionGuard();
    ~InterruptionGuard();
    InterruptionGuard(const InterruptionGuard&) = delete;
    InterruptionGuard& operator=(const InterruptionGuard&) = delete;

    // The signal that arrived while the guard was in place, or 0.
    static int receivedSignal();
};

// Fails with "Build interrupted (SIG…)" once a recorded signal arrived; steps call it
// before each long piece of work.
Expected<void, PipelineError> stopIfInterrupted();

} // namespace vorlap
