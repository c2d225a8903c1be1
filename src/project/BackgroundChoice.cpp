#include "project/BackgroundChoice.h"

#include "project/PastedBackgrounds.h"
#include "project/PictureFiles.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace vorlap {

bool applyBackground(const QString& path, VorlapProject& project, QStringList& recentBackgrounds,
                     const SettingsOpener& recentStore)
{
    if (!canLoadPicture(path)) {
        recentBackgrounds = loadRecentBackgrounds(recentStore);
        return false;
    }
    project.backgroundImagePath = path;
    recentBackgrounds = addRecentBackground(path, recentStore);
    return true;
}

bool pasteBackground(const QMimeData* contents, VorlapProject& project, QStringList& recentBackgrounds,
                     const SettingsOpener& recentStore)
{
    if (!contents)
        return false;
    if (const std::optional<QString> path = imagePathFromPasteboard(contents))
        return applyBackground(*path, project, recentBackgrounds, recentStore);
    if (!contents->hasImage())
        return false;
    const QImage picture = qvariant_cast<QImage>(contents->imageData());
    if (const std::optional<QString> stored = storePastedImage(picture))
        return applyBackground(*stored, project, recentBackgrounds, recentStore);
    return false;
}

bool pasteBackground(VorlapProject& project, QStringList& recentBackgrounds, const SettingsOpener& recentStore)
{
    const QClipboard* clipboard = QGuiApplication::clipboard();
    return pasteBackground(clipboard ? clipboard->mimeData() : nullptr, project, recentBackgrounds, recentStore);
}

} // namespace vorlap
