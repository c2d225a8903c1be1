#pragma once
// A main window for tests: file dialogs answered by the test, recent backgrounds kept in
// a private store, a small application bundle to package, and a disk-image tool of the
// test's choosing on PATH (the stand-in that packs "images" as tar archives, or the real one).
#include "support/BackgroundTestSupport.h"
#include "support/EventLoop.h"
#include "support/TestEnvironment.h"
#include "ui/BuildProgressSheet.h"
#include "ui/ContentView.h"
#include "ui/ProjectModel.h"
#include "ui/SheetDialog.h"
#include "ui/SidebarView.h"
#include "ui/SymbolButton.h"

#include <QMessageBox>

#include <memory>
#include <optional>

namespace vorlap::test {

class WindowHarness {
public:
    explicit WindowHarness(DiskTool tool = DiskTool::standIn) : build(tool)
    {
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
    }

    WindowHarness(const WindowHarness&) = delete;
    WindowHarness& operator=(const WindowHarness&) = delete;

    QString outPath(const QString& name) const { return build.path(QStringLiteral("out/") + name); }

    void chooseApp() { window->model()->chooseApplication(QUrl::fromLocalFile(build.appPath())); }

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

    BuildCorner build;
    BackgroundCorner corner;
    std::optional<QString> saveAnswer;
    std::optional<QString> openAnswer;
    QStringList saveRequests;
    QStringList openRequests;
    std::unique_ptr<ContentView> window;

};

} // namespace vorlap::test
