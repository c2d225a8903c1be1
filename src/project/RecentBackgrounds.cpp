#include "project/RecentBackgrounds.h"

#include <QFileInfo>

namespace vorlap {

namespace {

// INI files (the native store on Linux) cannot tell a one-element list from a plain
// string, so there a string is read as the one path it holds. Stores that keep types
// (macOS, Windows) read anything but an array of strings as no list at all.
bool storeKeepsTypes(const QSettings& settings)
{
#if defined(Q_OS_MACOS) || defined(Q_OS_WIN)
    return settings.format() == QSettings::NativeFormat;
#else
    Q_UNUSED(settings);
    return false;
#endif
}

QStringList storedList(const QSettings& settings)
{
    const QVariant value = settings.value(QLatin1String(recentBackgroundsKey));
    switch (value.typeId()) {
    case QMetaType::QStringList:
        return value.toStringList();
    case QMetaType::QVariantList: {
        QStringList paths;
        for (const QVariant& element : value.toList()) {
            if (element.typeId() != QMetaType::QString)
                return {};
            paths << element.toString();
        }
        return paths;
    }
    case QMetaType::QString:
        return storeKeepsTypes(settings) ? QStringList() : QStringList{value.toString()};
    default:
        return {};
    }
}

// Something exists at `path`, whatever it is (a dangling link does not count).
bool exists(const QString& path) { return !path.isEmpty() && QFileInfo::exists(path); }

} // namespace

std::unique_ptr<QSettings> openUserPreferences()
{
    return std::make_unique<QSettings>(QStringLiteral("Vorlap"), QStringLiteral("Vorlap"));
}

QStringList loadRecentBackgrounds(const SettingsOpener& open)
{
    const std::unique_ptr<QSettings> settings = open();
    QStringList paths;
    for (const QString& path : storedList(*settings)) {
        if (exists(path))
            paths << path;
    }
    return paths;
}

QStringList addRecentBackground(const QString& path, const SettingsOpener& open)
{
    QStringList paths = loadRecentBackgrounds(open);
    paths.removeAll(path);
    paths.prepend(path);
    if (paths.size() > recentBackgroundsLimit)
        paths.resize(recentBackgroundsLimit);
    const std::unique_ptr<QSettings> settings = open();
    settings->setValue(QLatin1String(recentBackgroundsKey), paths);
    settings->sync();
    return paths;
}

} // namespace vorlap
