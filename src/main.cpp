// The `vorlap` program: the desktop application, plus `vorlap build` for scripts and CI.
#include "pipeline/DiskImageToolPath.h"
#include "cli/BuildCommand.h"
#include "ui/VorlapApp.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>
#include <cstring>

namespace {

const char* const usageText =
    "Usage: vorlap [FILE.vorlap]    (opens the window, with the project)\n"
    "       vorlap [--help | --version]\n"
    "       vorlap build --app PATH.app --output PATH.dmg [--project FILE.vorlap]\n"
    "                    [--background PICTURE] [--icon-size N]\n"
    "\n"
    "Vorlap packages a macOS application bundle (.app) as a drag-to-install disk image.\n"
    "\n"
    "Commands:\n"
    "  build        Build the disk image without a window (see `vorlap build --help`).\n"
    "\n"
    "Options:\n"
    "  --help       Show this help and exit.\n"
    "  --version    Show the version and exit.\n";

bool isHelp(const char* argument)
{
    return std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0;
}

// A lone argument that is neither an option nor a command is a project to open, as a
// file manager passes it (packaging/vorlap.desktop).
bool isProjectToOpen(int argc, char** argv)
{
    return argc == 2 && argv[1][0] != '-' && std::strcmp(argv[1], "build") != 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return vorlap::VorlapApp::run(argc, argv);
    if (isProjectToOpen(argc, argv)) {
        const QString projectPath = QString::fromLocal8Bit(argv[1]);
        return vorlap::VorlapApp::run(argc, argv, projectPath);
    }
    if (argc >= 2 && isHelp(argv[1])) {
        std::fputs(usageText, stdout);
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("vorlap %s\n", VORLAP_VERSION);
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "build") == 0) {
        if (argc >= 3 && isHelp(argv[2])) {
            std::fputs(vorlap::cli::buildUsage, stdout);
            return 0;
        }
        QCoreApplication app(argc, argv);
        vorlap::makeBundledDiskImageToolFindable(QCoreApplication::applicationDirPath());
        return vorlap::cli::runBuildCommand(QCoreApplication::arguments().mid(2), stdout, stderr);
    }
    std::fprintf(stderr, "vorlap: unknown argument '%s'\n\n%s", argc >= 2 ? argv[1] : "", usageText);
    return 2;
}
