#pragma once
// Driving the preview canvas the way the window system does: real mouse and
// drag-and-drop events delivered through QApplication, and pictures of what it drew.
#include "ui/PreviewCanvasView.h"
#include "ui/ProjectModel.h"

#include <QApplication>
#include <QColor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QImage>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>

#include <cstdlib>
#include <functional>
#include <memory>

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

// Press at `from`, move there in `steps` even steps, release.
inline void dragMouse(QWidget& widget, QPointF from, QPointF to, int steps = 6)
{
    press(widget, from);
    for (int i = 1; i <= steps; ++i)
        moveTo(widget, from + (to - from) * (double(i) / steps));
    release(widget, to);
}

inline void click(QWidget& widget, QPointF at)
{
    press(widget, at);
    release(widget, at);
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

inline void dragLeave(QWidget& widget)
{
    QDragLeaveEvent event;
    QApplication::sendEvent(&widget, &event);
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
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

inline int countNear(const QImage& image, QColor colour, int tolerance = 3)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += near(image.pixelColor(x, y), colour, tolerance) ? 1 : 0;
    return count;
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
    void update(const std::function<void(VorlapProject&)>& change)
    {
        VorlapProject project = model.project();
        change(project);
        model.setProject(project);
    }
    QPointF iconCentre(DraggedIcon icon) const { return view.mockupLayout().group(icon).icon.center(); }

    ProjectModel model;
    PreviewCanvasView view{&model};
};

} // namespace vorlap::test
