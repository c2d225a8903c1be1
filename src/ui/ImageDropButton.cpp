#include "ui/ImageDropButton.h"

#include "project/PictureFiles.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>

namespace vorlap {

namespace {

// The first URL a drag carries, when it is a file.
std::optional<QUrl> firstFileUrl(const QMimeData* mime)
{
    if (!mime || !mime->hasUrls())
        return std::nullopt;
    const QList<QUrl> urls = mime->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile())
        return std::nullopt;
    return urls.first();
}

} // namespace

ImageDropButton::ImageDropButton(Style style, QWidget* parent) : SymbolButton(style, parent)
{
    setAcceptDrops(true);
}

void ImageDropButton::dragEnterEvent(QDragEnterEvent* event)
{
    if (!firstFileUrl(event->mimeData()))
        return event->ignore();
    event->acceptProposedAction();
}

void ImageDropButton::dragMoveEvent(QDragMoveEvent* event)
{
    if (!firstFileUrl(event->mimeData()))
        return event->ignore();
    event->acceptProposedAction();
}

void ImageDropButton::dropEvent(QDropEvent* event)
{
    const std::optional<QUrl> url = firstFileUrl(event->mimeData());
    if (!url)
        return event->ignore();
    // The drop is accepted whatever the file turns out to be; the picture is applied
    // once the drop has been answered.
    event->acceptProposedAction();
    const QString path = url->toLocalFile();
    if (!canLoadPicture(path))
        return;
    QMetaObject::invokeMethod(
        this, [this, path] { emit pictureDropped(path); }, Qt::QueuedConnection);
}

} // namespace vorlap
