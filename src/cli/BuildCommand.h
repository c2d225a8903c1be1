#pragma once
// `vorlap build`: the window's build, without a window, for scripts and CI.
#include "common/Expected.h"
#include "pipeline/BuildConfig.h"

#include <QString>
#include <QStringList>

#include <cstdio>
#include <optional>

namespace vorlap::cli {

struct BuildOptions {
    QString appPath;
    QString outputPath;
    std::optional<QString> projectPath;
    std::optional<QString> backgroundPath;
    std::optional<double> iconSize;
    std::optional<ImageFormat> format; // instead of the project's
};

// A problem with the command line itself, reported with the usage text.
struct UsageError {
    QString message;
};

// Reads the arguments after "build".
Expected<BuildOptions, UsageError> parseBuildArguments(const QStringList& arguments);

// What the window would build for these options: the project opened (or a new one), the
// application chosen, the background picked, the icon size set, then normalised. Fails
// with the window's "Failed to open: " text when the project cannot be read.
Expected<BuildConfig, QString> buildConfigFor(const BuildOptions& options);

// Runs the whole command: progress on `out`, one line per message; a failure's description
// on `err`. Returns the process exit status (0 built, 1 failed, 2 usage error).
int runBuildCommand(const QStringList& arguments, FILE* out, FILE* err);

extern const char* const buildUsage;

} // namespace vorlap::cli
