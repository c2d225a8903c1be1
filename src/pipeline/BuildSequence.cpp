// DMGBuilder::build: from a request to the finished image, in the one order the steps run.
#include "pipeline/BackgroundImageRenderer.h"
#include "pipeline/BuildPlaces.h"
#include "pipeline/DMGBuilder.h"
#include "pipeline/FileOperations.h"
#include "pipeline/LayoutRecords.h"
#include "dsstore/AliasRecord.h"
#include "dsstore/DSStoreWriter.h"

#include <QDir>
#include <QFileInfo>

namespace vorlap {

namespace {

const QString backgroundFolderName = QStringLiteral(".background");

QString hdiutil() { return QStringLiteral("hdiutil"); }

// Turns any step's failure into the build's error.
template <class E>
Unexpected<BuildError> failed(E error)
{
    return unexpected(BuildError(std::move(error)));
}

class Build {
public:
    Build(const BuildConfig& config, const BuildPlaces& places, const std::function<void(const QString&)>& onProgress)
        : m_config(config), m_places(places), m_onProgress(onProgress),
          m_appFileName(QFileInfo(QDir::cleanPath(config.appPath)).fileName())
    {
    }

    // Everything after the work folder exists; the caller cleans up.
    Expected<void, BuildError> run()
    {
        const auto megabytes = DMGBuilder::imageSizeMegabytes(m_config.appPath, m_config.backgroundImagePath);
        if (!megabytes)
            return unexpected(megabytes.error());

        report(QStringLiteral("Creating temporary DMG..."));
        if (auto created = DMGBuilder::runTool({hdiutil(), QStringLiteral("create"), QStringLiteral("-size"),
                                                QString::number(*megabytes) + QLatin1Char('m'), QStringLiteral("-fs"),
                                                QStringLiteral("HFS+"), QStringLiteral("-volname"), m_config.volumeName,
                                                m_places.readWriteImage});
            !created)
            return unexpected(created.error());

        report(QStringLiteral("Mounting..."));
        if (auto attached = DMGBuilder::runTool({hdiutil(), QStringLiteral("attach"), m_places.readWriteImage,
                                                 QStringLiteral("-mountpoint"), m_places.mountPoint,
                                                 QStringLiteral("-nobrowse")});
            !attached)
            return unexpected(attached.error());

        auto filled = fillDetachAndConvert();
        if (!filled) {
            DMGBuilder::detachQuietly(m_places.mountPoint);
            return filled;
        }
        report(QStringLiteral("Done!"));
        return {};
    }

private:
    QString inVolume(const QString& name) const { return m_places.mountPoint + QLatin1Char('/') + name; }

    void report(const QString& message) const
    {
        if (m_onProgress)
            m_onProgress(message);
    }

    Expected<void, BuildError> fillDetachAndConvert()
    {
        report(QStringLiteral("Copying files..."));
        if (auto copied = files::copyRecursively(m_config.appPath, inVolume(m_appFileName)); !copied)
            return failed(copied.error());
        if (auto linked = files::createSymbolicLink(inVolume(QStringLiteral("Applications")), QStringLiteral("/Applications"));
            !linked)
            return failed(linked.error());

        std::optional<QString> pictureName;
        if (m_config.backgroundImagePath) {
            auto written = writeBackground(*m_config.backgroundImagePath);
            if (!written)
                return unexpected(written.error());
            pictureName = *written;
        }

        report(QStringLiteral("Writing .DS_Store..."));
        if (auto layout = writeLayout(pictureName); !layout)
            return layout;

        const QString fseventsd = inVolume(QStringLiteral(".fseventsd"));
        if (QFileInfo::exists(fseventsd) || QFileInfo(fseventsd).isSymLink())
            DMGBuilder::removeQuietly(fseventsd);

        report(QStringLiteral("Detaching..."));
        if (auto detached = DMGBuilder::runTool({hdiutil(), QStringLiteral("detach"), m_places.mountPoint}); !detached)
            return unexpected(detached.error());

        report(QStringLiteral("Compressing..."));
        if (auto converted = DMGBuilder::runTool({hdiutil(), QStringLiteral("convert"), m_places.readWriteImage,
                                                  QStringLiteral("-format"), QStringLiteral("UDZO"), QStringLiteral("-o"),
                                                  m_places.convertedImage});
            !converted)
            return unexpected(converted.error());

        if (auto moved = files::moveReplacing(m_places.convertedImage, m_config.outputPath); !moved)
            return failed(moved.error());
        return {};
    }

    // Renders the picture into the volume's background folder; returns its file name.
    Expected<QString, BuildError> writeBackground(const QString& picture)
    {
        report(QStringLiteral("Preparing background..."));
        const QString folder = inVolume(backgroundFolderName);
        if (auto made = files::createFolder(folder); !made)
            return failed(made.error());
        const auto png = BackgroundImageRenderer::renderPNG(picture, m_config.windowSize, 1.0);
        if (!png)
            return failed(png.error());
        const QString name = QStringLiteral("background-") + DMGBuilder::shortHash(*png) + QStringLiteral(".png");
        if (auto written = files::writeFile(folder + QLatin1Char('/') + name, *png); !written)
            return failed(written.error());
        return name;
    }

    Expected<void, BuildError> writeLayout(const std::optional<QString>& pictureName)
    {
        std::optional<QByteArray> alias;
        if (pictureName) {
            // The volume is mounted and the picture in place: the alias records their
            // item numbers and creation dates.
            auto made = makeAliasRecord(m_config.volumeName, m_places.mountPoint, backgroundFolderName, *pictureName);
            if (!made)
                return failed(made.error());
            alias = *made;
        }
        const auto records = layoutRecords(m_config, m_appFileName, alias);
        if (!records)
            return unexpected(records.error());
        const auto bytes = DSStoreWriter::serialize(*records);
        if (!bytes)
            return failed(bytes.error());
        if (auto written = files::writeFile(inVolume(QStringLiteral(".DS_Store")), *bytes); !written)
            return failed(written.error());
        return {};
    }

    const BuildConfig& m_config;
    const BuildPlaces& m_places;
    const std::function<void(const QString&)>& m_onProgress;
    const QString m_appFileName;
};

} // namespace

Expected<void, BuildError> DMGBuilder::build(const BuildConfig& config)
{
    if (!files::exists(config.appPath))
        return failed(DMGBuilderError::appNotFound(config.appPath));
    if (config.backgroundImagePath && !files::exists(*config.backgroundImagePath))
        return failed(DMGBuilderError::backgroundImageNotFound(*config.backgroundImagePath));
    // Sizes and positions that cannot be written into the layout are refused before
    // anything is created.
    if (auto usable = layoutRecords(config, QString(), std::nullopt); !usable)
        return unexpected(usable.error());

    const BuildPlaces places = BuildPlaces::fresh();
    if (auto made = files::createFolder(places.workFolder); !made)
        return failed(made.error());

    auto result = Build(config, places, onProgress).run();

    detachQuietly(places.mountPoint);
    removeQuietly(places.workFolder);
    return result;
}

} // namespace vorlap
