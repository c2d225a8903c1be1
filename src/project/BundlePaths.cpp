#include "project/BundlePaths.h"

#include <QDir>
#include <QFileInfo>

namespace vorlap::BundlePaths {

QString lastComponent(const QString& path)
{
    qsizetype end = path.size();
    while (end > 1 && path[end - 1] == u'/')
        --end;
    const QString trimmed = path.left(end);
    if (trimmed == u"/")
        return trimmed;
    return trimmed.mid(trimmed.lastIndexOf(u'/') + 1);
}

QString extension(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot <= 0 || dot == name.size() - 1)
        return {};
    return name.mid(dot + 1);
}

QString deletingExtension(const QString& name)
{
    const QString ext = extension(name);
    return ext.isEmpty() ? name : name.left(name.size() - ext.size() - 1);
}

bool isApplicationBundlePath(const QString& path)
{
    return extension(lastComponent(path)) == u"app";
}

bool isApplicationBundle(const QUrl& url)
{
    return url.isLocalFile() && isApplicationBundlePath(url.toLocalFile());
}

QString applicationName(const QString& bundlePath)
{
    return deletingExtension(lastComponent(bundlePath));
}

QString effectiveApplicationName(const QString& appName, const QString& bundlePath)
{
    return appName.isEmpty() ? applicationName(bundlePath) : appName;
}

namespace {

// The absolute, clean path with its longest existing prefix resolved through links.
QString resolved(const QString& path)
{
    QString head = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    QString tail;
    while (!head.isEmpty() && head != u"/") {
        const QString canonical = QFileInfo(head).canonicalFilePath();
        if (!canonical.isEmpty())
            return QDir::cleanPath(canonical + tail);
        const qsizetype slash = head.lastIndexOf(u'/');
        tail = head.mid(slash) + tail;
        head = slash > 0 ? head.left(slash) : QStringLiteral("/");
    }
    return QDir::cleanPath(head + tail);
}

} // namespace

bool isInsideBundle(const QString& path, const QString& bundlePath)
{
    const QString bundle = resolved(bundlePath);
    const QString candidate = resolved(path);
    return candidate == bundle || candidate.startsWith(bundle == u"/" ? bundle : bundle + u'/');
}

} // namespace vorlap::BundlePaths
