#include "ui/AppBundleIcon.h"

#include "project/BundleIconFile.h"

#include <QImageReader>

namespace vorlap::AppBundleIcon {

QImage load(const QString& bundlePath)
{
    const QString path = bundleIconFile(bundlePath);
    if (path.isEmpty())
        return {};
    // An icon file holds the same picture at several sizes; keep the largest.
    QImageReader reader(path);
    QImage best;
    const int count = std::max(reader.imageCount(), 1);
    for (int i = 0; i < count; ++i) {
        if (i > 0 && !reader.jumpToImage(i))
            break;
        const QImage image = reader.read();
        if (!image.isNull() && image.width() * image.height() > best.width() * best.height())
            best = image;
    }
    return best;
}

} // namespace vorlap::AppBundleIcon
