#pragma once
// A main window for tests: file dialogs answered by the test, recent backgrounds kept in
// a private store, a small application bundle to package, and a disk-image tool of the
// test's choosing on PATH (the stand-in that packs "images" as tar archives, or the real one).
#include "support/BackgroundTestSupport.h"
#include "support/EventLoop.h"
#include "support/TestPaths.h"
#include "ui/BuildProgressSheet.h"
#include "ui/ContentView.h"
#include "ui/ProjectModel.h"
#include "ui/SheetDialog.h"
#include "ui/SidebarView.h"
#include "ui/SymbolButton.h"

#include <QDir>
#include <QFile>
#include <QMessageBox>

#include <memory>
#include <optional>

#include <sys/stat.h>

namespace vorlap::test {

class WindowHarness {
public:
    enum class Tool { standIn, real };

    explicit WindowHarness(Tool tool = Tool::standIn)
        : m_savedPath(qgetenv("PATH")), m_savedTmp(qgetenv("TMPDIR")), m_savedState(qgetenv("XDG_STATE_HOME"))
    {
        for (const char* name : {"bin", "tmp", "state", "out"})
            QDir().mkpath(corner.path(QString::fromLatin1(name)));
        QByteArray toolFolder;
        if (tool == Tool::standIn) {
            QFile::link(QString::fromStdString(sourcePath("tests/pipeline/fake-hdiutil")), corner.path(QStringLiteral("bin/hdiutil")));
            toolFolder = QFile::encodeName(corner.path(QStringLiteral("bin")));
        } else {
            toolFolder = QByteArray(VORLAP_BIN_DIR);
        }
        qputenv("PATH", toolFolder + ':' + m_savedPath);
        qputenv("TMPDIR", QFile::encodeName(corner.path(QStringLiteral("tmp"))));
        qputenv("FAKE_HDIUTIL_STATE", QFile::encodeName(corner.path(QStringLiteral("state"))));
        // The real tool's attachment records stay in the test's own folder too.
        qputenv("XDG_STATE_HOME", QFile::encodeName(corner.path(QStringLiteral("xdg-state"))));
        qunsetenv("FAKE_HDIUTIL_FAIL");

        // A small application bundle.
        QDir().mkpath(corner.path(QStringLiteral("in/Sample.app/Contents/MacOS")));
        corner.textFile(QStringLiteral("in/Sample.app/Contents/Info.plist"), "<plist/>");
        corner.textFile(QStringLiteral("in/Sample.app/Contents/MacOS/Sample"), "#!/bin/sh\necho hi\n");
        ::chmod(QFile::encodeName(corner.path(QStringLiteral("in/Sample.app/Contents/MacOS/Sample"))).constData(), 0755);

        FilePanels panels;
        panels.save = [this](QWidget*, const QString& proposedName, const QString& extension) {
            saveRequests << proposedName + QLatin1Char('|') + extension;
            return saveAnswer;
        };
        panels.open = [this](QWidget*, const QString& extension) {
            openRequests << extension;
            return openAnswer;
        };
        window = std::make_unique<ContentView>(panels, corner.store());
        window->show();
    }

    ~WindowHarness()
    {
        // A build still running reports to a window that is gone; let it finish first.
        waitUntil([this] { return !window->isBuilding(); }, 60000);
        window.reset();
        qputenv("PATH", m_savedPath);
        qputenv("TMPDIR", m_savedTmp);
        if (m_savedState.isNull())
            qunsetenv("XDG_STATE_HOME");
        else
            qputenv("XDG_STATE_HOME", m_savedState);
        qunsetenv("FAKE_HDIUTIL_FAIL");
    }

    WindowHarness(const WindowHarness&) = delete;
    WindowHarness& operator=(const WindowHarness&) = delete;

    QString appPath() const { return corner.path(QStringLiteral("in/Sample.app")); }
    QString outPath(const QString& name) const { return corner.path(QStringLiteral("out/") + name); }

    void chooseApp() { window->model()->chooseApplication(QUrl::fromLocalFile(appPath())); }

    void update(const std::function<void(VorlapProject&)>& change)
    {
        VorlapProject project = window->model()->project();
        change(project);
        window->model()->setProject(project);
    }

    // What the progress panel showed, in order, from the start of the build to its end.
    struct Observed {
        QStringList messages;
        bool panelWasUp = false;
        bool panelGoneBeforeAlert = true;
    };

    // Starts a build through the Build button and runs the event loop until it has ended.
    Observed buildAndWait(int timeoutMs = 60000)
    {
        Observed observed;
        const auto record = [&] {
            if (BuildProgressSheet* sheet = window->progressSheet()) {
                observed.panelWasUp = observed.panelWasUp || window->progressPanel()->isVisible();
                if (observed.messages.isEmpty() || observed.messages.last() != sheet->messageLine())
                    observed.messages << sheet->messageLine();
            }
        };
        const auto c1 = QObject::connect(window.get(), &ContentView::buildStateChanged, record);
        const auto c2 = QObject::connect(window.get(), &ContentView::alertPresented,
                                         [&] { observed.panelGoneBeforeAlert = window->progressPanel() == nullptr; });
        window->sidebar()->buildButton()->click();
        waitUntil([this] { return !window->isBuilding(); }, timeoutMs);
        QApplication::processEvents();
        QObject::disconnect(c1);
        QObject::disconnect(c2);
        return observed;
    }

    BackgroundCorner corner;
    std::optional<QString> saveAnswer;
    std::optional<QString> openAnswer;
    QStringList saveRequests;
    QStringList openRequests;
    std::unique_ptr<ContentView> window;

private:
    QByteArray m_savedPath;
    QByteArray m_savedTmp;
    QByteArray m_savedState;
};

} // namespace vorlap::test
