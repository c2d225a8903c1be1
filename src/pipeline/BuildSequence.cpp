// DMGBuilder::build: from a request to the finished image, in the one order the steps run.
#include "common/SourceDateEpoch.h"
#include "dsstore/DSStoreWriter.h"
#include "pipeline/BackgroundAlias.h"
#include "pipeline/BackgroundImageRenderer.h"
#include "pipeline/BuildPlaces.h"
#include "pipeline/DMGBuilder.h"
#include "pipeline/FileOperations.h"
#include "pipeline/ImageSizing.h"
#include "pipeline/Interruption.h"
#include "pipeline/LayoutRecords.h"
#include "pipeline/NameCheck.h"
#include "pipeline/RemoveQuietly.h"
#include "pipeline/ShortHash.h"
#include "pipeline/ToolRunner.h"
#include "project/BundleIconFile.h"
#include "project/BundlePaths.h"

#include <QDir>
#include <QFileInfo>

namespace vorlap {

namespace {

const QString backgroundFolderName = QStringLiteral(".background");

QString hdiutil() { return QStringLiteral("hdiutil"); }

class Build {
public:
    Build(const BuildConfig& config, const BuildPlaces& places, const std::function<void(const QString&)>& onProgress,
          const std::optional<BackgroundFile>& background, std::optional<int64_t> epoch)
        : m_config(config), m_places(places), m_onProgress(onProgress), m_background(background), m_epoch(epoch),
          m_appFileName(QFileInfo(QDir::cleanPath(config.appPath)).fileName()),
          m_iconFile(bundleIconFile(config.appPath))
    {
    }

    // Everything after the work folder exists; the caller cleans up.
    Expected<void, PipelineError> run()
    {
        VORLAP_TRY_LET(megabytes, imageSizeMegabytes(m_config.appPath, addedFileBytes()));

        VORLAP_TRY(stopIfInterrupted());
        report(QStringLiteral("Creating temporary DMG..."));
        VORLAP_TRY(
            runTool({hdiutil(), QStringLiteral("create"), QStringLiteral("-size"),
                     QString::number(megabytes) + QLatin1Char('m'), QStringLiteral("-fs"), QStringLiteral("HFS+"),
                     QStringLiteral("-volname"), m_config.volumeName, m_places.readWriteImage}));

        VORLAP_TRY(stopIfInterrupted());
        report(QStringLiteral("Mounting..."));
        VORLAP_TRY(runTool({hdiutil(), QStringLiteral("attach"), m_places.readWriteImage, QStringLiteral("-mountpoint"),
                            m_places.mountPoint, QStringLiteral("-nobrowse")}));

        auto filled = fillDetachAndConvert();
        if (!filled) {
            detachQuietly(m_places.mountPoint);
            return filled;
        }
        report(QStringLiteral("Done!"));
        return {};
    }

private:
    // The files the volume holds beside the application: the picture and the volume icon
    // (a second copy of the app's icon file).
    qint64 addedFileBytes() const
    {
        const qint64 picture = m_background ? m_background->bytes.size() : 0;
        return picture + (m_iconFile.isEmpty() ? 0 : QFileInfo(m_iconFile).size());
    }

    QString inVolume(const QString& name) const { return m_places.mountPoint + QLatin1Char('/') + name; }

    void report(const QString& message) const
    {
        if (m_onProgress)
            m_onProgress(message);
    }

    Expected<void, PipelineError> fillDetachAndConvert()
    {
        VORLAP_TRY(stopIfInterrupted());
        report(QStringLiteral("Copying files..."));
        VORLAP_TRY(files::copyRecursively(m_config.appPath, inVolume(m_appFileName)));
        VORLAP_TRY(
            files::createSymbolicLink(inVolume(QStringLiteral("Applications")), QStringLiteral("/Applications")));
        VORLAP_TRY(writeVolumeIcon());

        std::optional<QString> pictureName;
        if (m_background) {
            VORLAP_TRY_LET(written, writeBackground(*m_background));
            pictureName = written;
        }
        const QString fseventsd = inVolume(QStringLiteral(".fseventsd"));
        if (QFileInfo::exists(fseventsd) || QFileInfo(fseventsd).isSymLink())
            removeQuietly(fseventsd);

        VORLAP_TRY(stopIfInterrupted());
        report(QStringLiteral("Writing .DS_Store..."));
        VORLAP_TRY_LET(alias, writeLayout(pictureName));

        VORLAP_TRY(stopIfInterrupted());
        report(QStringLiteral("Detaching..."));
        VORLAP_TRY(runTool({hdiutil(), QStringLiteral("detach"), m_places.mountPoint}));
        if (alias)
            VORLAP_TRY(checkBackgroundAlias(m_places.readWriteImage, backgroundFolderName, *pictureName, *alias));

        VORLAP_TRY(stopIfInterrupted());
        report(QStringLiteral("Compressing..."));
        VORLAP_TRY(runTool({hdiutil(), QStringLiteral("convert"), m_places.readWriteImage, QStringLiteral("-format"),
                            imageFormatName(m_config.format), QStringLiteral("-o"), m_places.convertedImage}));

        VORLAP_TRY(stopIfInterrupted());
        return files::moveReplacing(m_places.convertedImage, m_config.outputPath);
    }

    // Writes the rendered picture into the volume's background folder; returns its file name.
    Expected<QString, PipelineError> writeBackground(const BackgroundFile& picture)
    {
        report(QStringLiteral("Preparing background..."));
        const QString folder = inVolume(backgroundFolderName);
        VORLAP_TRY(files::createFolder(folder));
        const QString name =
            QStringLiteral("background-") + shortHash(picture.bytes) + QLatin1Char('.') + picture.extension;
        VORLAP_TRY(files::writeFile(folder + QLatin1Char('/') + name, picture.bytes));
        return name;
    }

    // The app's icon as the volume's, shown for the mounted disk on the desktop and in the
    // Finder's sidebar: the icon file at the root, and the root folder's custom-icon flag.
    // A bundle without an icon file gets the generic disk.
    Expected<void, PipelineError> writeVolumeIcon()
    {
        if (m_iconFile.isEmpty())
            return {};
        VORLAP_TRY(files::copyRecursively(m_iconFile, inVolume(QStringLiteral(".VolumeIcon.icns"))));
        return files::setCustomIconFlag(m_places.mountPoint);
    }

    // Writes the layout file; returns the background's alias, if there is a picture.
    Expected<std::optional<BackgroundAlias>, PipelineError> writeLayout(const std::optional<QString>& pictureName)
    {
        const QString layoutFile = inVolume(QStringLiteral(".DS_Store"));
        std::optional<BackgroundAlias> alias;
        if (pictureName) {
            // The alias records IDs the volume will give its items, which depend on every
            // name in it: the layout file takes its place first, empty.
            VORLAP_TRY(files::writeFile(layoutFile, QByteArray()));
            VORLAP_TRY_LET(made, makeBackgroundAlias(m_config.volumeName, m_places.mountPoint, backgroundFolderName,
                                                     *pictureName, m_epoch));
            alias = std::move(made);
        }
        VORLAP_TRY_LET(records,
                       layoutRecords(m_config, m_appFileName, alias ? std::optional(alias->record) : std::nullopt));
        VORLAP_TRY_LET(bytes, DSStoreWriter::serialize(records));
        VORLAP_TRY(files::writeFile(layoutFile, bytes));
        return alias;
    }

    const BuildConfig& m_config;
    const BuildPlaces& m_places;
    const std::function<void(const QString&)>& m_onProgress;
    const std::optional<BackgroundFile>& m_background;
    const std::optional<int64_t> m_epoch; // SOURCE_DATE_EPOCH: a reproducible image
    const QString m_appFileName;
    const QString m_iconFile; // the app's icon file; empty when it names none
};

} // namespace

Expected<void, PipelineError> DMGBuilder::build(const BuildConfig& config)
{
    if (!files::exists(config.appPath))
        return unexpected(PipelineError::appNotFound(config.appPath));
    const SourceDateEpoch epoch = sourceDateEpochFromEnvironment();
    if (!epoch.error.empty())
        return unexpected(PipelineError::buildFailed(QString::fromStdString(epoch.error)));
    if (config.backgroundImagePath && !files::exists(*config.backgroundImagePath))
        return unexpected(PipelineError::backgroundImageNotFound(*config.backgroundImagePath));
    // Sizes and positions that cannot be written into the layout are refused before
    // anything is created.
    VORLAP_TRY(layoutRecords(config, QString(), std::nullopt));
    VORLAP_TRY(checkVolumeNames(config.appPath));
    if (BundlePaths::isInsideBundle(config.outputPath, config.appPath))
        return unexpected(PipelineError::buildFailed(
            config.outputPath + QStringLiteral(" is inside the application being packaged; choose a place outside ") +
            config.appPath));
    VORLAP_TRY(files::checkOutputPath(config.outputPath));
    // A picture that does not decode is found before any tool runs.
    std::optional<BackgroundFile> background;
    if (config.backgroundImagePath) {
        VORLAP_TRY_LET(file, BackgroundImageRenderer::renderFile(*config.backgroundImagePath, config.windowSize));
        background = std::move(file);
    }

    const BuildPlaces places = BuildPlaces::fresh();
    VORLAP_TRY(files::createFolder(places.workFolder));

    auto result = Build(config, places, onProgress, background, epoch.seconds).run();

    detachQuietly(places.mountPoint);
    removeQuietly(places.workFolder);
    return result;
}

} // namespace vorlap
