#pragma once
// Runs one build of a disk image on a worker thread. The build never touches the
// interface: its progress messages, its failure and its end reach `receiver`'s thread as
// queued calls, in that order. Calls arriving after `receiver` is gone are dropped.
#include "pipeline/BuildConfig.h"

#include <QObject>
#include <QString>

#include <functional>

namespace vorlap {

struct BuildTaskCallbacks {
    std::function<void(const QString& message)> progress; // each message, in order
    std::function<void(const QString& description)> failed; // only when the build fails
    std::function<void()> ended;                            // always, last
};

void startBuildTask(BuildConfig config, QObject* receiver, BuildTaskCallbacks callbacks);

} // namespace vorlap
