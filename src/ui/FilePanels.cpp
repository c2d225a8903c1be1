#include "ui/FilePanels.h"

#include <QFileDialog>
#include <QImageReader>
#include <QStringList>

namespace vorlap {

namespace {

QString filterFor(const QString& extension)
{
    if (extension == QLatin1String("dmg"))
        return QStringLiteral("Disk Image (*.dmg)");
    if (extension == QLatin1String("vorlap"))
        return QStringLiteral("Vorlap Project (*.vorlap)");
    return QStringLiteral("*.") + extension;
}

std::optional<QString> chosen(const QString& path)
{
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

} // namespace

FilePanels FilePanels::platform() { return {&FileDialogs::save, &FileDialogs::open}; }

namespace FileDialogs {

std::optional<QString> save(QWidget* parent, const QString& proposedName, const QString& extension)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(filterFor(extension));
    dialog.setDefaultSuffix(extension);
    dialog.selectFile(proposedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    QString path = dialog.selectedFiles().first();
    if (path.isEmpty())
        return std::nullopt;
    const QString suffix = QLatin1Char('.') + extension;
    if (!path.endsWith(suffix, Qt::CaseInsensitive))
        path += suffix;
    return path;
}

std::optional<QString> open(QWidget* parent, const QString& extension)
{
    return chosen(QFileDialog::getOpenFileName(parent, QString(), QString(), filterFor(extension)));
}

std::optional<QString> openImage(QWidget* parent)
{
    QStringList patterns;
    for (const QByteArray& format : QImageReader::supportedImageFormats())
        patterns << QStringLiteral("*.") + QString::fromLatin1(format);
    const QString filter = QStringLiteral("Images (%1)").arg(patterns.join(u' '));
    return chosen(QFileDialog::getOpenFileName(parent, QString(), QString(), filter));
}

} // namespace FileDialogs

} // namespace vorlap
