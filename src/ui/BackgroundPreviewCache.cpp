#include "ui/BackgroundPreviewCache.h"

#include <QFileInfo>

#include <utility>

namespace vorlap {

BackgroundPreviewCache::BackgroundPreviewCache(Renderer renderer) : m_renderer(std::move(renderer)) {}

QImage BackgroundPreviewCache::picture(const std::optional<QString>& path, Size windowSize, double scale)
{
    if (!path || path->isEmpty())
        return {};
    const QFileInfo info(*path);
    if (!info.isFile())
        return {};

    Key key{*path, info.size(), info.lastModified(), windowSize, scale};
    if (m_key && *m_key == key)
        return m_picture;

    // A failure is remembered under the same key, so a broken file is not decoded
    // again on every frame either.
    m_key = std::move(key);
    m_picture = {};
    if (auto rendered = m_renderer(*path, windowSize, scale)) {
        m_picture = std::move(*rendered);
        // Drawing from the screen's native format is a plain copy at scale 1.
        m_picture.convertTo(QImage::Format_ARGB32_Premultiplied);
        m_picture.setDevicePixelRatio(scale);
    }
    return m_picture;
}

} // namespace vorlap
