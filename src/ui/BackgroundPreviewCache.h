#pragma once
// The preview's background picture, rendered by the same renderer the build uses
// and kept until something that shapes it changes: the picture's path, the file's
// size or modification time, or the window size. Each request re-reads the file's
// metadata (one stat), so a picture edited on disk shows up at the next frame,
// while dragging an icon over an unchanged picture costs no decoding or scaling.
#include "pipeline/BackgroundImageRenderer.h"
#include "project/Geometry.h"

#include <QDateTime>
#include <QImage>
#include <QString>

#include <functional>
#include <optional>

namespace vorlap {

class BackgroundPreviewCache {
public:
    using Renderer =
        std::function<Expected<QImage, PipelineError>(const QString& path, Size size, double scale)>;

    explicit BackgroundPreviewCache(Renderer renderer = &BackgroundImageRenderer::renderImage);

    // The picture at `path` scaled and cropped to `windowSize` points at `scale` pixels a
    // point (the screen's device pixel ratio, so a 2× screen shows it sharp), ready to
    // draw; a null image when there is no path, the file is missing or rendering fails.
    QImage picture(const std::optional<QString>& path, Size windowSize, double scale = 1.0);

private:
    struct Key {
        QString path;
        qint64 fileSize = -1;
        QDateTime modified;
        Size windowSize;
        double scale = 1.0;

        bool operator==(const Key&) const = default;
    };

    Renderer m_renderer;
    std::optional<Key> m_key;
    QImage m_picture; // null when the last rendering failed
};

} // namespace vorlap
