#pragma once
// Background pictures from the clipboard: a copied picture file (or its path or file URL
// as text) is used where it lies; picture data (a screenshot, an image copied from another
// program) is stored as a PNG file in the pasted-backgrounds folder.
#include <QImage>
#include <QString>

#include <optional>

class QMimeData;

namespace vorlap {

// The folder pasted pictures are stored in: the user's data folder (~/.local/share on
// Linux, ~/Library/Application Support on macOS), then "Vorlap/PastedBackgrounds".
// None when the platform names no data folder.
std::optional<QString> pastedBackgroundsFolder();

// The path of an existing picture file that the clipboard contents name, tried in this
// order: the first of its URLs, if it is a file URL of a picture (later URLs are never
// tried); its text, trimmed, as a path (relative to the current folder); that text as a
// file URL. Reads only.
std::optional<QString> imagePathFromPasteboard(const QMimeData* contents);

// Writes `picture` as "background-<UUID>.png" into the pasted-backgrounds folder, which
// is created when missing, and returns the new file's path. The file appears complete or
// not at all; on any failure nothing is returned.
std::optional<QString> storePastedImage(const QImage& picture);

} // namespace vorlap
