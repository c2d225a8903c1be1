#pragma once
// Widgets driven the way the window system does (real mouse and drag-and-drop events),
// pictures of what they drew, and a main window whose file dialogs the test answers.
#include "support/BackgroundTestSupport.h"
#include "support/EventLoop.h"
#include "support/TestEnvironment.h"
#include "ui/BuildProgressSheet.h"
#include "ui/ContentView.h"
#include "ui/PreviewCanvasView.h"
#include "ui/ProjectModel.h"
#include "ui/SheetDialog.h"
#include "ui/SidebarView.h"
#include "ui/SymbolButton.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QMessageBox>
#include <QMimeData>

namespace vorlap::test {

inline void sendMouse(QWidget& widget, QEvent::Type type, QPointF at, Qt::MouseButtons buttons)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, widget.mapToGlobal(at), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

inline void press(QWidget& widget, QPointF at) { sendMouse(widget, QEvent::MouseButtonPress, at, Qt::LeftButton); }
inline void moveTo(QWidget& widget, QPointF at) { sendMouse(widget, QEvent::MouseMove, at, Qt::LeftButton); }
inline void release(QWidget& widget, QPointF at) { sendMouse(widget, QEvent::MouseButtonRelease, at, Qt::NoButton); }
inline void click(QWidget& widget, QPointF at) { press(widget, at), release(widget, at); }

// Press at `from`, move there in six even steps, release.
inline void dragMouse(QWidget& widget, QPointF from, QPointF to)
{
    press(widget, from);
    for (int i = 1; i <= 6; ++i)
        moveTo(widget, from + (to - from) * (i / 6.0));
    release(widget, to);
}

inline std::unique_ptr<QMimeData> urlData(const QList<QUrl>& urls)
{
    auto mime = std::make_unique<QMimeData>();
    mime->setUrls(urls);
    return mime;
}

inline bool dragEnter(QWidget& widget, const QMimeData& mime, QPoint at = {200, 200})
{
    QDragEnterEvent event(at, Qt::CopyAction | Qt::LinkAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
    return event.isAccepted();
}

// Enter, then drop; returns whether the drop was accepted.
inline bool drop(QWidget& widget, const QMimeData& mime, QPointF at = {200, 200})
{
    dragEnter(widget, mime, at.toPoint());
    QDropEvent event(at, Qt::CopyAction | Qt::LinkAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
    return event.isAccepted();
}

inline QImage picture(QWidget& widget)
{
    QImage image(widget.size(), QImage::Format_ARGB32);
    image.fill(Qt::magenta);
    widget.render(&image);
    return image;
}

inline bool near(QColor a, QColor b, int tolerance = 3)
{
    return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()), std::abs(a.blue() - b.blue())}) <= tolerance;
}

inline int countNear(const QImage& image, QColor colour, int tolerance = 3)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += near(image.pixelColor(x, y), colour, tolerance) ? 1 : 0;
    return count;
}

inline void editProject(ProjectModel& model, const std::function<void(VorlapProject&)>& change)
{
    VorlapProject project = model.project();
    change(project);
    model.setProject(project);
}

// A canvas of the main window's size over a fresh project, optionally with an
// application already chosen (the mock-up face).
struct Canvas {
    explicit Canvas(bool withApp = true, QSize size = {PreviewCanvasView::kWidth, PreviewCanvasView::kHeight})
    {
        if (withApp)
            model.chooseApplication(QUrl::fromLocalFile(QStringLiteral("/nonexistent/Tool.app")));
        view.resize(size);
    }

    const VorlapProject& project() const { return model.project(); }
    void update(const std::function<void(VorlapProject&)>& change) { editProject(model, change); }
    QPointF iconCentre(DraggedIcon icon) const { return view.mockupLayout().group(icon).icon.center(); }

    ProjectModel model;
    PreviewCanvasView view{&model};
};

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

    // A build still running reports to a window that is gone; let it finish first.
    ~WindowHarness() { waitUntil([this] { return !window->isBuilding(); }, 60000); }
    WindowHarness(const WindowHarness&) = delete;
    WindowHarness& operator=(const WindowHarness&) = delete;

    QString outPath(const QString& name) const { return build.path(QStringLiteral("out/") + name); }
    void chooseApp() { window->model()->chooseApplication(QUrl::fromLocalFile(build.appPath())); }
    void update(const std::function<void(VorlapProject&)>& change) { editProject(*window->model(), change); }

    // What the progress panel showed, in order, from the start of the build to its end.
    struct Observed {
        QStringList messages;
        bool panelWasUp = false;
        bool panelGoneBeforeAlert = true;
    };

    // Starts a build through the Build button and runs the event loop until it has ended.
    Observed buildAndWait()
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
        waitUntil([this] { return !window->isBuilding(); }, 60000);
        QApplication::processEvents();
        QObject::disconnect(c1);
        QObject::disconnect(c2);
        return observed;
    }

    BuildCorner build;
    BackgroundCorner corner;
    std::optional<QString> saveAnswer, openAnswer;
    QStringList saveRequests, openRequests;
    std::unique_ptr<ContentView> window;
};

} // namespace vorlap::test
