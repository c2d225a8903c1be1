#include "project/BundleIconFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <plist/plist.h>

#include <memory>

namespace vorlap {

namespace {

// An Info.plist is a few kilobytes; anything far larger is not one.
constexpr qint64 kMaxInfoPlistBytes = 4 * 1024 * 1024;

QString bundleIconName(const QString& infoPlistPath)
{
    QFile file(infoPlistPath);
    if (file.size() > kMaxInfoPlistBytes || !file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    if (bytes.isEmpty())
        return {};

    plist_t root = nullptr;
    plist_from_memory(bytes.constData(), static_cast<uint32_t>(bytes.size()), &root);
    const std::unique_ptr<void, decltype(&plist_free)> owner(root, &plist_free);
    if (!root || plist_get_node_type(root) != PLIST_DICT)
        return {};
    const plist_t item = plist_dict_get_item(root, "CFBundleIconFile");
    if (!item || plist_get_node_type(item) != PLIST_STRING)
        return {};
    uint64_t length = 0;
    const char* text = plist_get_string_ptr(item, &length);
    return text ? QString::fromUtf8(text, static_cast<qsizetype>(length)) : QString();
}

} // namespace

QString bundleIconFile(const QString& bundlePath)
{
    const QDir contents(QDir(bundlePath).filePath(QStringLiteral("Contents")));
    QString name = bundleIconName(contents.filePath(QStringLiteral("Info.plist")));
    if (name.isEmpty() || name.contains(u'/') || name == u"." || name == u"..")
        return {};
    if (QFileInfo(name).suffix().isEmpty())
        name += QStringLiteral(".icns");
    const QString path = QDir(contents.filePath(QStringLiteral("Resources"))).filePath(name);
    return QFileInfo(path).isFile() ? path : QString();
}

} // namespace vorlap
