#include "ui/PreviewCanvasView.h"

#include "project/BundlePaths.h"
#include "project/IconRules.h"
#include "ui/DropZonePainter.h"
#include "ui/Palette.h"
#include "ui/ProjectModel.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <utility>

namespace vorlap {

namespace {

// The file URLs a drag carries, in the order offered; other URLs are not files.
QList<QUrl> fileUrls(const QMimeData* mime)
{
    QList<QUrl> files;
    if (!mime || !mime->hasUrls())
        return files;
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile())
            files << url;
    }
    return files;
}

double length(QPointF v) { return std::hypot(v.x(), v.y()); }

// Keyboard focus on an icon: the platform's highlight colour around its group.
void paintFocusRing(QPainter& painter, const IconGroupLayout& group)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Palette::accent(), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(group.icon.united(group.label).adjusted(-3, -3, 3, 3), 6, 6);
    painter.restore();
}

} // namespace

PreviewCanvasView::PreviewCanvasView(ProjectModel* model, QWidget* parent)
    : QWidget(parent), m_model(model), m_chooser(&ApplicationDialog::run)
{
    Q_ASSERT(model);
    setAcceptDrops(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Keyboard users reach the drop zone, then each icon, with Tab.
    setFocusPolicy(Qt::StrongFocus);
    connect(m_model, &ProjectModel::projectChanged, this, qOverload<>(&QWidget::update));
    connect(m_model, &ProjectModel::appUrlChanged, this, qOverload<>(&QWidget::update));
}

void PreviewCanvasView::setApplicationChooser(ApplicationChooser chooser) { m_chooser = std::move(chooser); }

bool PreviewCanvasView::showsMockup() const { return m_model->appUrl().has_value(); }

MockupLayout PreviewCanvasView::mockupLayout() const
{
    return MockupLayout::compute(QSizeF(size()), m_model->project(), this);
}

void PreviewCanvasView::setIconPosition(DraggedIcon icon, Point centre)
{
    VorlapProject project = m_model->project();
    iconPosition(project.iconPositions, icon) = clampIconCentre(centre, project.windowSize, project.iconSize);
    m_model->setProject(project);
}

void PreviewCanvasView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Palette::windowBackground());
    if (!showsMockup()) {
        DropZonePainter::paint(painter, QRectF(rect()), m_isTargeted);
        return;
    }
    const VorlapProject& project = m_model->project();
    const QImage background = m_background.picture(project.backgroundImagePath, project.windowSize, devicePixelRatioF());
    const MockupLayout layout = mockupLayout();
    m_mockupPainter.paint(painter, layout, project, m_model->appUrl()->toLocalFile(), background);
    if (const std::optional<DraggedIcon> icon = focusedIcon())
        paintFocusRing(painter, layout.group(*icon));
}

// Mouse: a press on an icon group becomes a drag of that icon once the pointer has
// moved kMinimumDragDistance points; a press and release on the drop zone that
// never got that far is a click.

void PreviewCanvasView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    Press press{event->position(), std::nullopt, false};
    if (showsMockup())
        press.icon = mockupLayout().iconAt(event->position());
    m_press = press;
    event->accept();
}

void PreviewCanvasView::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_press || !m_press->icon || !(event->buttons() & Qt::LeftButton))
        return QWidget::mouseMoveEvent(event);
    const QPointF translation = event->position() - m_press->position;
    if (!m_press->dragging && length(translation) < kMinimumDragDistance)
        return;
    m_press->dragging = true;
    dragChanged(*m_press->icon, translation);
    event->accept();
}

void PreviewCanvasView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_press)
        return QWidget::mouseReleaseEvent(event);
    const Press press = *std::exchange(m_press, std::nullopt);
    const bool click = rect().contains(event->position().toPoint()) &&
                       length(event->position() - press.position) < kMinimumDragDistance;
    if (press.dragging) {
        dragEnded();
    } else if (click && (!showsMockup() || press.icon == DraggedIcon::app)) {
        // The drop zone, or the app's icon (to choose another app).
        chooseApplicationFromDialog();
    }
    event->accept();
}

void PreviewCanvasView::dragChanged(DraggedIcon icon, QPointF translation)
{
    const Point current = iconPosition(m_model->project().iconPositions, icon);
    if (m_draggedIcon != icon) {
        // A new drag (or one that switched icons) starts from the icon's stored centre.
        if (!m_draggedIcon)
            emit iconDragStarted();
        m_draggedIcon = icon;
        m_dragStartPosition = current;
    }
    const Point start = m_dragStartPosition.value_or(current);
    const double s = MockupLayout::scaleFor(QSizeF(size()));
    setIconPosition(icon, {start.x + translation.x() / s, start.y + translation.y() / s});
}

void PreviewCanvasView::dragEnded()
{
    m_draggedIcon.reset();
    m_dragStartPosition.reset();
    emit iconDragEnded();
}

// Keyboard: Enter or Space on the drop zone or the app's icon opens the dialog; the arrow
// keys move the focused icon by a point (ten with Shift), kept inside like a drag.

void PreviewCanvasView::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
        if (!showsMockup() || m_focusedIcon == DraggedIcon::app)
            chooseApplicationFromDialog();
        return event->accept();
    }
    const double step = event->modifiers() & Qt::ShiftModifier ? 10 : 1;
    QPointF offset;
    if (key == Qt::Key_Left)
        offset = {-step, 0};
    else if (key == Qt::Key_Right)
        offset = {step, 0};
    else if (key == Qt::Key_Up)
        offset = {0, -step};
    else if (key == Qt::Key_Down)
        offset = {0, step};
    if (!showsMockup() || offset.isNull())
        return QWidget::keyPressEvent(event);
    const Point centre = iconPosition(m_model->project().iconPositions, m_focusedIcon);
    setIconPosition(m_focusedIcon, {centre.x + offset.x(), centre.y + offset.y()});
    event->accept();
}

bool PreviewCanvasView::focusNextPrevChild(bool next)
{
    // Within the mock-up, Tab goes from the app's icon to the Applications icon (and back).
    const DraggedIcon following = next ? DraggedIcon::applications : DraggedIcon::app;
    if (hasFocus() && showsMockup() && m_focusedIcon != following) {
        m_focusedIcon = following;
        update();
        return true;
    }
    return QWidget::focusNextPrevChild(next);
}

void PreviewCanvasView::focusInEvent(QFocusEvent* event)
{
    if (event->reason() == Qt::TabFocusReason)
        m_focusedIcon = DraggedIcon::app;
    else if (event->reason() == Qt::BacktabFocusReason)
        m_focusedIcon = DraggedIcon::applications;
    QWidget::focusInEvent(event);
    update();
}

void PreviewCanvasView::chooseApplicationFromDialog()
{
    if (!m_chooser)
        return;
    const std::optional<QUrl> url = m_chooser(this);
    if (url && BundlePaths::isApplicationBundle(*url))
        m_model->chooseApplication(*url);
}

// Drops: any drag carrying file URLs is welcome on both faces; of a drop only the
// first file counts, and only an application bundle changes anything.

void PreviewCanvasView::setTargeted(bool targeted)
{
    if (m_isTargeted == targeted)
        return;
    m_isTargeted = targeted;
    update();
}

void PreviewCanvasView::dragEnterEvent(QDragEnterEvent* event)
{
    if (fileUrls(event->mimeData()).isEmpty())
        return event->ignore();
    event->acceptProposedAction();
    setTargeted(true);
}

void PreviewCanvasView::dragMoveEvent(QDragMoveEvent* event)
{
    if (fileUrls(event->mimeData()).isEmpty())
        return event->ignore();
    event->acceptProposedAction();
}

void PreviewCanvasView::dragLeaveEvent(QDragLeaveEvent* event)
{
    setTargeted(false);
    event->accept();
}

void PreviewCanvasView::dropEvent(QDropEvent* event)
{
    setTargeted(false);
    const QList<QUrl> files = fileUrls(event->mimeData());
    if (files.isEmpty())
        return event->ignore();
    // The drop counts as accepted whatever the first file turns out to be.
    event->acceptProposedAction();
    const QUrl& first = files.first();
    if (BundlePaths::isApplicationBundle(first))
        m_model->chooseApplication(first);
    else if (first.fileName().endsWith(QLatin1String(".vorlap")))
        emit projectFileDropped(first.toLocalFile());
}

} // namespace vorlap
