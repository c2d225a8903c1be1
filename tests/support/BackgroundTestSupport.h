#pragma once
// A private corner for background-library tests: a temporary folder with pictures and
// other files, a preferences store in an INI file inside it, and the user's data folder
// (where pasted pictures go) pointed into it as well.
#include "project/RecentBackgrounds.h"
#include "support/TestEnvironment.h"

#include <QColor>
#include <QImage>
#include <QSettings>
#include <QStandardPaths>

#include <memory>

namespace vorlap::test {

class BackgroundCorner : public EnvironmentGuard {
public:
    BackgroundCorner() { set("XDG_DATA_HOME", QFile::encodeName(path(QStringLiteral("data")))); }

    // True when pasted pictures land inside the temporary folder (so a test may paste).
    bool dataFolderIsPrivate() const
    {
        return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation).startsWith(scratch().path());
    }

    QString pastedFolder() const { return path(QStringLiteral("data/Vorlap/PastedBackgrounds")); }

    // A PNG picture of one colour.
    QString picture(const QString& name, QColor colour = QColor(40, 90, 200), QSize size = {60, 40}) const
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        QDir().mkpath(QFileInfo(path(name)).path());
        image.save(path(name), "PNG");
        return path(name);
    }

    QString textFile(const QString& name, const QByteArray& contents = "not a picture") const
    {
        writeFile(path(name), contents);
        return path(name);
    }

    QString iniPath() const { return path(QStringLiteral("preferences.ini")); }

    SettingsOpener store() const
    {
        const QString ini = iniPath();
        return [ini] { return std::make_unique<QSettings>(ini, QSettings::IniFormat); };
    }

    // What the store holds under the list's key, unfiltered.
    QStringList stored() const { return store()()->value(QLatin1String(recentBackgroundsKey)).toStringList(); }
};

} // namespace vorlap::test
