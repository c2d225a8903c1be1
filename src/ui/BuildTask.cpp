#include "ui/BuildTask.h"

#include "pipeline/DMGBuilder.h"

#include <QMetaObject>
#include <QPointer>
#include <QThreadPool>

#include <memory>
#include <utility>

namespace vorlap {

void startBuildTask(BuildConfig config, QObject* receiver, BuildTaskCallbacks callbacks)
{
    // The worker posts to a relay of its own, which stays alive until the last call has
    // run on the receiver's thread; the calls reach the receiver only while it exists.
    auto* relay = new QObject;
    relay->moveToThread(receiver->thread());
    const QPointer<QObject> target(receiver);
    auto shared = std::make_shared<BuildTaskCallbacks>(std::move(callbacks));

    const auto post = [relay, target, shared](std::function<void(BuildTaskCallbacks&)> call, bool last) {
        QMetaObject::invokeMethod(
            relay,
            [relay, target, shared, call = std::move(call), last] {
                if (target)
                    call(*shared);
                if (last)
                    relay->deleteLater();
            },
            Qt::QueuedConnection);
    };

    QThreadPool::globalInstance()->start([config = std::move(config), post] {
        DMGBuilder builder;
        builder.onProgress = [post](const QString& message) {
            post([message](BuildTaskCallbacks& c) { if (c.progress) c.progress(message); }, false);
        };
        const Expected<void, PipelineError> result = builder.build(config);
        if (!result) {
            const QString description = result.error().description();
            post([description](BuildTaskCallbacks& c) { if (c.failed) c.failed(description); }, false);
        }
        post([](BuildTaskCallbacks& c) { if (c.ended) c.ended(); }, true);
    });
}

} // namespace vorlap
