// Writes PNG pictures of the main window, the preview canvas and the build progress
// sheet in each of their states, for a person to look at:
// `vorlap_screenshots OUTPUT_FOLDER`.
#include "ui/BuildProgressSheet.h"
#include "ui/ContentView.h"
#include "ui/PreviewCanvasView.h"
#include "ui/ProjectModel.h"
#include "ui/SidebarView.h"
#include "ui/VorlapStyle.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QImage>
#include <QMimeData>
#include <QPainter>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>

#include <functional>

using namespace vorlap;

namespace {

const QString examples = QStringLiteral(VORLAP_EXAMPLES_DIR);

bool save(QWidget& widget, const QDir& folder, const QString& name)
{
    QImage image(widget.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    widget.render(&image);
    const QString path = folder.filePath(name + QStringLiteral(".png"));
    if (!image.save(path)) {
        QTextStream(stderr) << "cannot write " << path << "\n";
        return false;
    }
    QTextStream(stdout) << path << "\n";
    return true;
}

// A canvas of the main window's size, set up by `prepare`, saved as `name`.
bool canvasShot(const QDir& folder, const QString& name, QSize size,
                const std::function<void(ProjectModel&, PreviewCanvasView&)>& prepare)
{
    ProjectModel model;
    PreviewCanvasView canvas(&model);
    canvas.resize(size);
    prepare(model, canvas);
    return save(canvas, folder, name);
}

void chooseSample(ProjectModel& model)
{
    model.chooseApplication(QUrl::fromLocalFile(examples + QStringLiteral("/Sample.app")));
}

// The whole window over a fresh design, with its recent backgrounds kept in `store`.
bool windowShot(const QDir& folder, const QString& name, const QString& store,
                const std::function<void(ContentView&)>& prepare, const std::optional<QString>& buildingMessage = {})
{
    const FilePanels noPanels{[](QWidget*, const QString&, const QString&) { return std::optional<QString>(); },
                              [](QWidget*, const QString&) { return std::optional<QString>(); }};
    ContentView window(noPanels, [store] { return std::make_unique<QSettings>(store, QSettings::IniFormat); });
    prepare(window);
    if (buildingMessage)
        window.sidebar()->setBuildState(true, buildingMessage);
    window.show();
    QApplication::processEvents();

    QImage image(window.size(), QImage::Format_ARGB32);
    window.render(&image);
    if (buildingMessage) {
        // The progress panel as it lies over the window, at the top centre.
        BuildProgressSheet sheet;
        sheet.setMessage(buildingMessage);
        QImage panel(sheet.size(), QImage::Format_ARGB32);
        sheet.render(&panel);
        QPainter painter(&image);
        const QPoint at((image.width() - panel.width()) / 2, 0);
        painter.fillRect(QRect(at + QPoint(-1, 0), panel.size() + QSize(2, 1)), QColor(0, 0, 0, 90));
        painter.drawImage(at, panel);
    }
    const QString path = folder.filePath(name + QStringLiteral(".png"));
    if (!image.save(path)) {
        QTextStream(stderr) << "cannot write " << path << "\n";
        return false;
    }
    QTextStream(stdout) << path << "\n";
    return true;
}

// A few pictures to have been chosen before, under names a user might give them.
QStringList earlierBackgrounds(const QTemporaryDir& scratch)
{
    QStringList paths;
    for (const char* name : {"installer-light.png", "brand-backdrop-with-a-rather-long-file-name-v2-final.png",
                             "aurora.png"}) {
        const QString path = scratch.filePath(QString::fromLatin1(name));
        QFile::copy(examples + QStringLiteral("/background.png"), path);
        paths << path;
    }
    return paths;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    VorlapStyle::install();
    if (argc != 2) {
        QTextStream(stderr) << "usage: vorlap_screenshots OUTPUT_FOLDER\n";
        return 2;
    }
    QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.mkpath(QStringLiteral("."))) {
        QTextStream(stderr) << "cannot create " << folder.path() << "\n";
        return 1;
    }

    const QSize window(PreviewCanvasView::kWidth, PreviewCanvasView::kHeight);
    bool ok = true;
    ok &= canvasShot(folder, QStringLiteral("canvas-drop-zone-idle"), window, [](auto&, auto&) {});
    ok &= canvasShot(folder, QStringLiteral("canvas-drop-zone-targeted"), window, [](auto&, auto& canvas) {
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(examples + QStringLiteral("/Sample.app"))});
        QDragEnterEvent enter(QPoint(270, 191), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&canvas, &enter);
    });
    ok &= canvasShot(folder, QStringLiteral("canvas-mockup-plain"), window, [](auto& model, auto&) {
        chooseSample(model);
    });
    ok &= canvasShot(folder, QStringLiteral("canvas-mockup-background"), window, [](auto& model, auto&) {
        chooseSample(model);
        VorlapProject project = model.project();
        project.backgroundImagePath = examples + QStringLiteral("/background.png");
        model.setProject(project);
    });
    ok &= canvasShot(folder, QStringLiteral("canvas-mockup-empty-name"), window, [](auto& model, auto&) {
        model.chooseApplication(QUrl::fromLocalFile(QStringLiteral("/nonexistent/.app.app")));
        VorlapProject project = model.project();
        project.appName.clear();
        model.setProject(project);
    });
    ok &= canvasShot(folder, QStringLiteral("canvas-mockup-half-scale"), window / 2, [](auto& model, auto&) {
        chooseSample(model);
        VorlapProject project = model.project();
        project.backgroundImagePath = examples + QStringLiteral("/background.png");
        project.iconSize = 96;
        model.setProject(project);
    });

    QTemporaryDir scratch;
    const QString store = scratch.filePath(QStringLiteral("preferences.ini"));
    ok &= windowShot(folder, QStringLiteral("window-fresh"), scratch.filePath(QStringLiteral("empty.ini")),
                     [](ContentView&) {});
    const auto designed = [&](ContentView& window) {
        window.model()->chooseApplication(QUrl::fromLocalFile(examples + QStringLiteral("/Sample.app")));
        for (const QString& path : earlierBackgrounds(scratch))
            window.sidebar()->applyBackground(path);
        window.sidebar()->applyBackground(examples + QStringLiteral("/background.png"));
    };
    ok &= windowShot(folder, QStringLiteral("window-designed"), store, designed);
    ok &= windowShot(folder, QStringLiteral("window-building"), store, designed, QStringLiteral("Copying files..."));

    BuildProgressSheet sheet;
    ok &= save(sheet, folder, QStringLiteral("progress-sheet-starting"));
    sheet.setMessage(QStringLiteral("Copying app..."));
    ok &= save(sheet, folder, QStringLiteral("progress-sheet-message"));
    sheet.setMessage(QStringLiteral("Converting the disk image to its compressed, read-only form; this can take a "
                                    "while for large applications with many resources"));
    ok &= save(sheet, folder, QStringLiteral("progress-sheet-long-message"));
    return ok ? 0 : 1;
}
