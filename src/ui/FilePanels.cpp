#include "ui/FilePanels.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>
#include <QMessageBox>
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

QString withSuffix(QString path, const QString& extension)
{
    const QString suffix = QLatin1Char('.') + extension;
    if (!path.endsWith(suffix, Qt::CaseInsensitive))
        path += suffix;
    return path;
}

QString imageFilter(const ImageFormatInfo& info) { return QString::fromUtf8(info.label) + QStringLiteral(" (*.dmg)"); }

std::optional<QString> chosen(const QString& path)
{
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

} // namespace

FilePanels FilePanels::platform()
{
    return {&FileDialogs::save, &FileDialogs::open, &FileDialogs::saveImage, &FileDialogs::askAboutUnsavedChanges};
}

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
    const QString path = dialog.selectedFiles().first();
    if (path.isEmpty())
        return std::nullopt;
    return withSuffix(path, extension);
}

std::optional<ImageSaveChoice> saveImage(QWidget* parent, const QString& proposedPath, ImageFormat proposedFormat)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    QStringList filters;
    for (const ImageFormatInfo& info : imageFormats())
        filters << imageFilter(info);
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(imageFilter(imageFormatInfo(proposedFormat)));
    dialog.setDefaultSuffix(QStringLiteral("dmg"));
    // Start beside the app, never inside a folder reused from an earlier dialog.
    const QFileInfo proposed(proposedPath);
    dialog.setDirectory(proposed.absolutePath());
    dialog.selectFile(proposed.fileName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty() ||
        dialog.selectedFiles().first().isEmpty())
        return std::nullopt;
    const qsizetype filterIndex = filters.indexOf(dialog.selectedNameFilter());
    const ImageFormat format = filterIndex >= 0 ? imageFormats()[size_t(filterIndex)].format : proposedFormat;
    return ImageSaveChoice{withSuffix(dialog.selectedFiles().first(), QStringLiteral("dmg")), format};
}

std::optional<QString> open(QWidget* parent, const QString& extension)
{
    return chosen(QFileDialog::getOpenFileName(parent, QString(), QString(), filterFor(extension)));
}

UnsavedChoice askAboutUnsavedChanges(QWidget* parent, const QString& documentName)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Vorlap"),
                    QStringLiteral("Save the changes to \"%1\"?").arg(documentName),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
    box.setInformativeText(QStringLiteral("Your changes will be lost if you don't save them."));
    box.setDefaultButton(QMessageBox::Save);
    switch (box.exec()) {
    case QMessageBox::Save: return UnsavedChoice::save;
    case QMessageBox::Discard: return UnsavedChoice::discard;
    default: return UnsavedChoice::cancel;
    }
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
