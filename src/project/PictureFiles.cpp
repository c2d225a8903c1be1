#include "project/PictureFiles.h"

#include <QFileInfo>
#include <QImageReader>

namespace vorlap {

bool canLoadPicture(const QString& path)
{
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return false;
    QImageReader reader(path);
    // Content decides, not the name: a picture saved under the wrong extension still loads.
    reader.setDecideFormatFromContent(true);
    return reader.canRead() && reader.size().isValid();
}

} // namespace vorlap
