#pragma once
// The right-hand part of the main window. Before an application is chosen it is a
// drop zone (drop a ".app" or click to pick one); afterwards it shows a scaled
// mock-up of the installer window whose two icons the user drags into place.
//
// The canvas owns no document state: it reads and writes the window's
// ProjectModel (project and application URL) and repaints when that changes.
// Its own state is the drop highlight and the icon drag in progress.
#include "ui/ApplicationDialog.h"
#include "ui/BackgroundPreviewCache.h"
#include "ui/DraggedIcon.h"
#include "ui/MockupLayout.h"
#include "ui/WindowMockupPainter.h"

#include <QPointF>
#include <QWidget>

#include <optional>

namespace vorlap {

class ProjectModel;

class PreviewCanvasView : public QWidget {
    Q_OBJECT

public:
    // The canvas's size in the fixed main window, in points.
    static constexpr int kWidth = 540;
    static constexpr int kHeight = 382;
    // How far the pointer must travel before a press on an icon becomes a drag.
    static constexpr double kMinimumDragDistance = 10;

    // `model` is owned by the main window and must outlive the canvas.
    explicit PreviewCanvasView(ProjectModel* model, QWidget* parent = nullptr);

    ProjectModel* model() const { return m_model; }

    // The dialog a click on the drop zone opens; tests put their own answer here.
    void setApplicationChooser(ApplicationChooser chooser);

    // Own state, as the face shows it.
    bool isTargeted() const { return m_isTargeted; }
    std::optional<DraggedIcon> draggedIcon() const { return m_draggedIcon; }
    std::optional<Point> dragStartPosition() const { return m_dragStartPosition; }

    // The mock-up's layout at the current size and project.
    MockupLayout mockupLayout() const;

    // Stores a new centre for `icon`, kept at least half an icon size inside the window.
    void setIconPosition(DraggedIcon icon, Point centre);

    QSize sizeHint() const override { return {kWidth, kHeight}; }

    // The icon keyboard focus is on while the mock-up has focus (Tab moves between them).
    std::optional<DraggedIcon> focusedIcon() const
    {
        return hasFocus() && showsMockup() ? std::optional(m_focusedIcon) : std::nullopt;
    }

signals:
    // One icon drag, from its first move to the release: one step to undo.
    void iconDragStarted();
    void iconDragEnded();
    // A ".vorlap" file was dropped.
    void projectFileDropped(const QString& path);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void focusInEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // A press that may become an icon drag (mock-up) or a click (drop zone).
    struct Press {
        QPointF position;
        std::optional<DraggedIcon> icon;
        bool dragging = false;
    };

    bool showsMockup() const;
    void dragChanged(DraggedIcon icon, QPointF translation);
    void dragEnded();
    void chooseApplicationFromDialog();
    void setTargeted(bool targeted);

    ProjectModel* m_model;
    ApplicationChooser m_chooser;
    BackgroundPreviewCache m_background;
    WindowMockupPainter m_mockupPainter;

    bool m_isTargeted = false;
    DraggedIcon m_focusedIcon = DraggedIcon::app;
    std::optional<DraggedIcon> m_draggedIcon;
    std::optional<Point> m_dragStartPosition;
    std::optional<Press> m_press;
};

} // namespace vorlap
