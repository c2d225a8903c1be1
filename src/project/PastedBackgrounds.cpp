#include "project/PastedBackgrounds.h"

#include "project/PictureFiles.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QMimeData>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>
#include <QUuid>

namespace vorlap {

namespace {

std::optional<QString> pictureAtFileUrl(const QUrl& url)
{
    if (!url.isLocalFile())
        return std::nullopt;
    const QString path = url.toLocalFile();
    if (!canLoadPicture(path))
        return std::nullopt;
    return path;
}

std::optional<QByteArray> pngBytes(const QImage& picture)
{
    if (picture.isNull())
        return std::nullopt;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(picture))
        return std::nullopt;
    return bytes;
}

} // namespace

std::optional<QString> pastedBackgroundsFolder()
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty())
        return std::nullopt;
    return QDir(data).filePath(QStringLiteral("Vorlap/PastedBackgrounds"));
}

std::optional<QString> imagePathFromPasteboard(const QMimeData* contents)
{
    if (!contents)
        return std::nullopt;

    // 1. The first URL only; when it is no picture file, the text is tried next.
    const QList<QUrl> urls = contents->hasUrls() ? contents->urls() : QList<QUrl>();
    if (!urls.isEmpty()) {
        if (auto path = pictureAtFileUrl(urls.first()))
            return path;
    }

    // 2. The text as a path. Without text there is nothing more to try.
    if (!contents->hasText())
        return std::nullopt;
    const QString text = contents->text().trimmed();
    const QString path = QDir::current().absoluteFilePath(text);
    if (!text.isEmpty() && QFileInfo::exists(path) && canLoadPicture(path))
        return path;

    // 3. The text as a URL.
    const QUrl url(text, QUrl::StrictMode);
    if (url.isValid())
        return pictureAtFileUrl(url);
    return std::nullopt;
}

std::optional<QString> storePastedImage(const QImage& picture)
{
    const std::optional<QByteArray> png = pngBytes(picture);
    if (!png)
        return std::nullopt;
    const std::optional<QString> folder = pastedBackgroundsFolder();
    if (!folder || !QDir().mkpath(*folder))
        return std::nullopt;

    const QString name = QStringLiteral("background-") +
                         QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper() + QStringLiteral(".png");
    const QString path = QDir(*folder).filePath(name);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(*png) != png->size() || !file.commit())
        return std::nullopt;
    return path;
}

} // namespace vorlap
