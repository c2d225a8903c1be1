#include "ui/FileIcons.h"

#include "ui/AppBundleIcon.h"
#include "ui/DrawnIcons.h"

#include <QIcon>

#include <algorithm>

namespace vorlap {

namespace {

// The largest size to ask an icon theme for; its pictures are then scaled.
constexpr int kThemeIconSide = 512;

} // namespace

QImage FileIcons::scaledFrom(Entry& entry, int side, QImage (*fallback)(int))
{
    side = std::max(side, 1);
    if (entry.scaled.side == side && !entry.scaled.image.isNull())
        return entry.scaled.image;
    QImage image = entry.source.isNull()
                       ? fallback(side)
                       : entry.source.scaled(side, side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    image.convertTo(QImage::Format_ARGB32_Premultiplied);
    entry.scaled = {side, image};
    return image;
}

QImage FileIcons::application(const QString& bundlePath, int side)
{
    if (!m_appLoaded || bundlePath != m_appPath) {
        m_appPath = bundlePath;
        m_app = {};
        m_app.source = AppBundleIcon::load(bundlePath);
        m_appLoaded = true;
    }
    return scaledFrom(m_app, side, &DrawnIcons::genericApplication);
}

QImage FileIcons::applicationsFolder(int side)
{
    if (!m_folderLoaded) {
        const QIcon themed = QIcon::fromTheme(QStringLiteral("folder"));
        if (!themed.isNull())
            m_folder.source = themed.pixmap(kThemeIconSide, kThemeIconSide).toImage();
        m_folderLoaded = true;
    }
    return scaledFrom(m_folder, side, &DrawnIcons::applicationsFolder);
}

} // namespace vorlap
