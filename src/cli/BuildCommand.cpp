#include "cli/BuildCommand.h"

#include "pipeline/DMGBuilder.h"
#include "pipeline/Interruption.h"
#include "project/BundlePaths.h"
#include "project/IconRules.h"
#include "project/ProjectFile.h"
#include "project/VorlapProject.h"

#include <QFileInfo>
#include <QtGlobal>

#include <cstdio>
#include <cstring>

namespace vorlap::cli {

const char* const buildUsage =
    "Usage: vorlap build --app PATH.app --output PATH.dmg [--project FILE.vorlap]\n"
    "                    [--background PICTURE] [--icon-size N] [--format FORMAT]\n"
    "\n"
    "Builds the disk image without opening a window, as pressing \"Build DMG\" would after\n"
    "opening the project, choosing the application and picking the background.\n"
    "\n"
    "  --app PATH.app         the application bundle to package (the volume takes its name)\n"
    "  --output PATH.dmg      where to write the image (an existing file is replaced)\n"
    "  --project FILE.vorlap  a saved design: icon positions, icon size, background\n"
    "  --background PICTURE   the background picture (instead of the project's)\n"
    "  --icon-size N          icon size in points, 48 to 256 in steps of 8\n"
    "  --format FORMAT        UDZO (the default: zlib, opens on any macOS), ULMO (LZMA, the\n"
    "                         smallest, macOS 10.15 or later) or UDBZ (bzip2)\n"
    "\n"
    "Progress is printed one message per line; a failure prints its reason and exits 1.\n"
    "\n"
    "With SOURCE_DATE_EPOCH set (seconds since 1970, as reproducible-builds.org describes),\n"
    "the same app, background and project give a byte-identical image: every date is that\n"
    "moment or older, and IDs, owners and UUIDs follow from the content. Check it with\n"
    "sha256sum of two builds. macOS's own hdiutil, used on a Mac, cannot do this.\n";

// The usage above and the message below name the offered icon sizes in words.
static_assert(smallestIconSize == 48 && largestIconSize == 256 && iconSizeStep == 8);

namespace {

QString absolute(const QString& path) { return QFileInfo(path).absoluteFilePath(); }

void printLine(FILE* stream, const QString& text)
{
    std::fprintf(stream, "%s\n", text.toUtf8().constData());
    std::fflush(stream);
}

Expected<double, UsageError> parseIconSize(const QString& text)
{
    bool ok = false;
    const double size = text.toDouble(&ok);
    if (!ok || !isOfferedIconSize(size))
        return unexpected(UsageError{
            QStringLiteral("--icon-size takes a whole number from 48 to 256 in steps of 8, not \"%1\"").arg(text)});
    return size;
}

Expected<ImageFormat, UsageError> parseFormat(const QString& text)
{
    const std::optional<ImageFormat> format = imageFormatFromName(text);
    if (!format)
        return unexpected(UsageError{QStringLiteral("--format takes %1, not \"%2\"").arg(imageFormatNameList(), text)});
    return *format;
}

QtMessageHandler previousMessageHandler = nullptr;

// The picture decoder's own complaints ("libpng error: ...") would come before, and say
// less than, the one line the build prints about the picture.
void dropDecoderMessages(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtWarningMsg && message.startsWith(QLatin1String("libpng ")))
        return;
    if (previousMessageHandler)
        previousMessageHandler(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qFormatLogMessage(type, context, message).toLocal8Bit().constData());
}

} // namespace

Expected<BuildOptions, UsageError> parseBuildArguments(const QStringList& arguments)
{
    BuildOptions options;
    bool haveApp = false, haveOutput = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& option = arguments[i];
        const bool known = option == QLatin1String("--app") || option == QLatin1String("--output") ||
                           option == QLatin1String("--project") || option == QLatin1String("--background") ||
                           option == QLatin1String("--icon-size") || option == QLatin1String("--format");
        if (!known)
            return unexpected(UsageError{QStringLiteral("unknown argument \"%1\"").arg(option)});
        if (i + 1 >= arguments.size() || arguments[i + 1].isEmpty())
            return unexpected(UsageError{option + QStringLiteral(" needs a value")});
        const QString value = arguments[++i];
        if (option == QLatin1String("--app")) {
            options.appPath = absolute(value);
            haveApp = true;
        } else if (option == QLatin1String("--output")) {
            options.outputPath = absolute(value);
            haveOutput = true;
        } else if (option == QLatin1String("--project")) {
            options.projectPath = absolute(value);
        } else if (option == QLatin1String("--background")) {
            options.backgroundPath = absolute(value);
        } else if (option == QLatin1String("--format")) {
            VORLAP_TRY_LET(format, parseFormat(value));
            options.format = format;
        } else {
            VORLAP_TRY_LET(size, parseIconSize(value));
            options.iconSize = size;
        }
    }
    if (!haveApp || !haveOutput)
        return unexpected(UsageError{QStringLiteral("--app and --output are required")});
    if (!BundlePaths::isApplicationBundlePath(options.appPath))
        return unexpected(UsageError{QStringLiteral("--app must name an application bundle ending in .app")});
    return options;
}

Expected<BuildConfig, QString> buildConfigFor(const BuildOptions& options)
{
    VorlapProject project;
    if (options.projectPath) {
        auto decoded = readProjectFile(*options.projectPath);
        if (!decoded)
            return unexpected(QStringLiteral("Failed to open: ") + decoded.error().description());
        project = decoded->normalized();
    }
    project.appName = BundlePaths::applicationName(options.appPath);
    if (options.backgroundPath)
        project.backgroundImagePath = *options.backgroundPath;
    if (options.iconSize && *options.iconSize != project.iconSize) {
        project.iconSize = *options.iconSize;
        clampIconsToCanvas(project);
    }
    if (options.format)
        project.format = *options.format;
    return BuildConfig::forProject(project.normalized(), options.appPath, options.outputPath);
}

int runBuildCommand(const QStringList& arguments, FILE* out, FILE* err)
{
    const auto options = parseBuildArguments(arguments);
    if (!options) {
        std::fprintf(err, "vorlap build: %s\n\n%s", options.error().message.toUtf8().constData(), buildUsage);
        return 2;
    }
    const auto config = buildConfigFor(*options);
    if (!config) {
        printLine(err, config.error());
        return 1;
    }
#ifdef Q_OS_MACOS
    if (qEnvironmentVariableIsSet("SOURCE_DATE_EPOCH"))
        std::fprintf(err,
                     "vorlap build: warning: SOURCE_DATE_EPOCH is set, but macOS's hdiutil cannot make a "
                     "reproducible image; this one will differ from build to build\n");
#endif
    previousMessageHandler = qInstallMessageHandler(dropDecoderMessages);
    DMGBuilder builder;
    builder.onProgress = [out](const QString& message) { printLine(out, message); };
    const InterruptionGuard interruption;
    const auto built = builder.build(*config);
    if (const int signal = InterruptionGuard::receivedSignal(); signal != 0 && !built) {
        // The clean-up has run; the shell learns of the signal the usual way (128 + n). A
        // signal after the last step leaves a finished image, which is kept.
        std::fprintf(err, "vorlap build: interrupted by signal %d (%s); nothing was written\n", signal,
                     ::strsignal(signal));
        return 128 + signal;
    }
    if (!built) {
        printLine(err, built.error().description());
        return 1;
    }
    return 0;
}

} // namespace vorlap::cli
