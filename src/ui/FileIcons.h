#pragma once
// The two file icons the preview shows, ready to draw at a given pixel size:
// the chosen application's own icon (else a generic application tile) and the
// Applications folder (the icon theme's folder, else a drawn one). Decoded
// sources and scaled results are kept, so drawing a frame costs no decoding.
#include <QHash>
#include <QImage>
#include <QString>

namespace vorlap {

class FileIcons {
public:
    // The icon for the application bundle at `bundlePath`, stretched to side × side pixels.
    QImage application(const QString& bundlePath, int side);
    // The icon for the "/Applications" folder, stretched to side × side pixels.
    QImage applicationsFolder(int side);

private:
    struct Scaled {
        int side = 0;
        QImage image;
    };

    // A decoded source (null: draw the fallback) with its last scaled copy.
    struct Entry {
        QImage source;
        Scaled scaled;
    };

    QImage scaledFrom(Entry& entry, int side, QImage (*fallback)(int));

    QString m_appPath;
    Entry m_app;
    bool m_appLoaded = false;
    Entry m_folder;
    bool m_folderLoaded = false;
};

} // namespace vorlap
