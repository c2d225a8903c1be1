#include "project/BundlePaths.h"

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

} // namespace vorlap::BundlePaths
