// How long one frame of an icon drag takes on the preview canvas with a large
// background picture: the canvas is shown (offscreen), a drag is simulated with
// mouse events, and each frame is repainted synchronously and timed.
//
//   bench_canvas_drag [--width 6000] [--height 4000] [--frames 300] [--picture PATH]
//
// Prints the first (cold) frame, the drag frames (median, 95th percentile, worst),
// a frame right after the picture file changed (it must render again), and, for
// comparison, what rendering the picture costs, which every frame would pay without
// the cache. BENCH_VERBOSE=1 also prints every drag frame's time.
#include "pipeline/BackgroundImageRenderer.h"
#include "ui/PreviewCanvasView.h"
#include "ui/ProjectModel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextStream>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <vector>

using namespace vorlap;

namespace {

double milliseconds(const QElapsedTimer& timer) { return timer.nsecsElapsed() / 1e6; }

// A photo-like picture: smooth gradients with some structure, saved as JPEG.
QString makePicture(const QString& folder, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, width, height);
    gradient.setColorAt(0, QColor(40, 90, 160));
    gradient.setColorAt(0.5, QColor(230, 190, 120));
    gradient.setColorAt(1, QColor(30, 120, 80));
    painter.fillRect(image.rect(), gradient);
    painter.setPen(QPen(QColor(255, 255, 255, 60), width / 400.0));
    for (int i = 0; i < 200; ++i)
        painter.drawEllipse(QPointF((i * 7919) % width, (i * 104729) % height), width / 20.0, height / 30.0);
    painter.end();
    const QString path = folder + QStringLiteral("/background.jpg");
    image.save(path, "JPEG", 90);
    return path;
}

void send(QWidget& widget, QEvent::Type type, QPointF at, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, at, widget.mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      buttons, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

// Counts the paint events a widget receives, so the timings are known to cover painting.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
};

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    const size_t index = std::min(values.size() - 1, static_cast<size_t>(std::ceil(p * values.size())) - 1);
    return values[index];
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int width = 6000, height = 4000, frames = 300;
    QString picture;
    const QStringList args = QApplication::arguments();
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == u"--width") width = args[i + 1].toInt();
        else if (args[i] == u"--height") height = args[i + 1].toInt();
        else if (args[i] == u"--frames") frames = args[i + 1].toInt();
        else if (args[i] == u"--picture") picture = args[i + 1];
    }
    QTextStream out(stdout);

    QTemporaryDir folder;
    if (picture.isEmpty())
        picture = makePicture(folder.path(), width, height);
    const QImage probe(picture);
    out << "picture: " << picture << " (" << probe.width() << " x " << probe.height() << ", "
        << QFile(picture).size() / 1024 << " KiB)\n";

    ProjectModel model;
    model.chooseApplication(QUrl::fromLocalFile(QStringLiteral("/Applications/Bench.app")));
    VorlapProject project = model.project();

    PreviewCanvasView canvas(&model);
    canvas.resize(PreviewCanvasView::kWidth, PreviewCanvasView::kHeight);
    PaintCounter counter;
    canvas.installEventFilter(&counter);
    // Shown without the picture first, so that the first timed frame renders it.
    project.backgroundImagePath.reset();
    model.setProject(project);
    canvas.show();
    while (!canvas.windowHandle() || !canvas.windowHandle()->isExposed())
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    counter.paints = 0;

    QElapsedTimer timer;
    timer.start();
    project.backgroundImagePath = picture;
    model.setProject(project);
    canvas.repaint();
    const double cold = milliseconds(timer);

    // Drag the app icon in a circle, one repaint per pointer move.
    const QPointF start = canvas.mockupLayout().app.icon.center();
    send(canvas, QEvent::MouseButtonPress, start, Qt::LeftButton);
    std::vector<double> frameTimes;
    QPointF at = start;
    for (int i = 0; i < frames; ++i) {
        const double angle = 2 * M_PI * i / 60.0;
        at = start + QPointF(60 * std::sin(angle) + 20, 40 * (1 - std::cos(angle)) + 20);
        timer.restart();
        send(canvas, QEvent::MouseMove, at, Qt::LeftButton);
        canvas.repaint();
        frameTimes.push_back(milliseconds(timer));
        if (qEnvironmentVariableIsSet("BENCH_VERBOSE"))
            out << i << " " << frameTimes.back() << "\n";
    }

    // The file changes on disk during the drag: the next frame renders it again.
    {
        QFile file(picture);
        file.open(QIODevice::ReadWrite);
        file.setFileTime(QDateTime::currentDateTime().addSecs(5), QFileDevice::FileModificationTime);
    }
    timer.restart();
    send(canvas, QEvent::MouseMove, at + QPointF(1, 0), Qt::LeftButton);
    canvas.repaint();
    const double changed = milliseconds(timer);
    timer.restart();
    send(canvas, QEvent::MouseMove, at + QPointF(2, 0), Qt::LeftButton);
    canvas.repaint();
    const double afterChange = milliseconds(timer);
    send(canvas, QEvent::MouseButtonRelease, at + QPointF(2, 0), Qt::NoButton);

    // Without the cache every frame would render the picture.
    std::vector<double> renders;
    for (int i = 0; i < 3; ++i) {
        timer.restart();
        const auto image = BackgroundImageRenderer::renderImage(picture, project.windowSize, 1.0);
        renders.push_back(milliseconds(timer));
        if (!image) {
            out << "rendering failed: " << image.error().description() << "\n";
            return 1;
        }
    }

    out.setRealNumberNotation(QTextStream::FixedNotation);
    out.setRealNumberPrecision(2);
    out << "first frame (renders the picture): " << cold << " ms\n";
    out << "drag frames: " << frames << ", median " << percentile(frameTimes, 0.5) << " ms, p95 "
        << percentile(frameTimes, 0.95) << " ms, worst " << *std::max_element(frameTimes.begin(), frameTimes.end())
        << " ms\n";
    out << "frame after the file changed (renders again): " << changed << " ms; next frame " << afterChange
        << " ms\n";
    out << "paint events: " << counter.paints << " for " << frames + 3 << " repaints\n";
    out << "renderImage alone (per frame without the cache): median " << percentile(renders, 0.5) << " ms\n";
    const bool ok = counter.paints == frames + 3 && percentile(frameTimes, 0.95) < 16.0;
    out << (ok ? "OK: " : "SLOW: ") << "95 % of drag frames under 16 ms\n";
    return ok ? 0 : 1;
}
