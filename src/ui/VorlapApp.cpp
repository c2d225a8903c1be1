#include "ui/VorlapApp.h"

#include "pipeline/DiskImageToolPath.h"
#include "ui/ContentView.h"
#include "ui/VorlapStyle.h"
#include "ui/WindowChrome.h"

#include <QApplication>
#include <QIcon>
#include <QThreadPool>
#include <QTimer>

namespace vorlap {

void AppDelegate::applicationDidFinishLaunching(QWidget& window) { WindowChrome::activateApplication(window); }

int VorlapApp::run(int& argc, char** argv, const QString& projectPath)
{
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Vorlap"));
    QApplication::setApplicationName(QStringLiteral("Vorlap"));
    QApplication::setApplicationVersion(QStringLiteral(VORLAP_VERSION));
    VorlapStyle::install();
    QApplication::setDesktopFileName(QStringLiteral("vorlap"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/vorlap.svg")));
    makeBundledDiskImageToolFindable(QCoreApplication::applicationDirPath());

    VorlapApp app;
    ContentView window;
    WindowChrome::prepareMainWindow(window);
    window.show();
    if (!projectPath.isEmpty())
        window.openProjectFile(projectPath);
    WindowChrome::finishMainWindow(window);
    // Launching has finished once the event loop runs.
    QTimer::singleShot(0, &window, [&app, &window] { app.appDelegate.applicationDidFinishLaunching(window); });

    const int status = QApplication::exec();
    // A build still running finishes its clean-up before the process ends.
    QThreadPool::globalInstance()->waitForDone();
    return status;
}

} // namespace vorlap
