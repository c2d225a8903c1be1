#pragma once
// The dialogs of the main window and the sidebar that ask for files or decisions. The
// window relies only on whether a dialog ended with a choice, on the one path chosen, and
// on the dialog's filtering by file-name extension; tests put their own answers in place
// of the platform's dialogs.
#include "project/ImageFormat.h"

#include <QString>

#include <functional>
#include <optional>

class QWidget;

namespace vorlap {

// Asks where to save a file with `extension` ("dmg", "vorlap"), proposing `proposedName`.
using SavePanel =
    std::function<std::optional<QString>(QWidget* parent, const QString& proposedName, const QString& extension)>;
// Asks where to write a disk image and in which format, starting at `proposedPath` (its
// folder and name) with `proposedFormat` chosen among the file types.
struct ImageSaveChoice {
    QString path;
    ImageFormat format;
};
using ImageSavePanel = std::function<std::optional<ImageSaveChoice>(QWidget* parent, const QString& proposedPath,
                                                                    ImageFormat proposedFormat)>;
// Asks what to do with unsaved changes to `documentName` before they would be lost.
enum class UnsavedChoice { save, discard, cancel };
using UnsavedChangesPrompt = std::function<UnsavedChoice(QWidget* parent, const QString& documentName)>;
// Asks for one existing file with `extension`.
using OpenPanel = std::function<std::optional<QString>(QWidget* parent, const QString& extension)>;

struct FilePanels {
    SavePanel save;
    OpenPanel open;
    // Where unset, images are saved through `save` in the project's format.
    ImageSavePanel saveImage;
    // Where unset, unsaved changes are discarded without asking.
    UnsavedChangesPrompt unsavedChanges;

    // The platform's dialogs.
    static FilePanels platform();
};

namespace FileDialogs {

// The chosen path always ends in "." + extension (added when the user left it out).
std::optional<QString> save(QWidget* parent, const QString& proposedName, const QString& extension);
std::optional<ImageSaveChoice> saveImage(QWidget* parent, const QString& proposedPath, ImageFormat proposedFormat);
std::optional<QString> open(QWidget* parent, const QString& extension);
UnsavedChoice askAboutUnsavedChanges(QWidget* parent, const QString& documentName);
// One picture file, of any format the image reader knows.
std::optional<QString> openImage(QWidget* parent);

} // namespace FileDialogs

} // namespace vorlap
