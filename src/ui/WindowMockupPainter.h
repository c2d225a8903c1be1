#pragma once
// Draws the installer-window mock-up of a MockupLayout: the shadowed, rounded
// window with its title bar, the content area with the background picture (or the
// plain fill) and both icon groups, and the status bar. It keeps what is costly to
// make and changes rarely (the shadow, the scaled icons) between frames.
#include "project/VorlapProject.h"
#include "ui/FileIcons.h"
#include "ui/MockupLayout.h"
#include "ui/WindowShadow.h"

#include <QImage>
#include <QString>

#include <optional>

class QPainter;

namespace vorlap {

class WindowMockupPainter {
public:
    // `appPath` is the chosen bundle's path (for its icon); `background` is the
    // rendered picture of the window's size, or a null image for the plain fill.
    void paint(QPainter& painter, const MockupLayout& layout, const VorlapProject& project, const QString& appPath,
               const QImage& background);

private:
    void paintShadow(QPainter& painter, const MockupLayout& layout);
    // The window's pieces, drawn into a layer and cut to the rounded outline with
    // smooth edges (a clip path would leave the corners jagged).
    void paintWindowLayer(QPainter& painter, const MockupLayout& layout, const VorlapProject& project,
                          const QString& appPath, const QImage& background);
    void paintTitleBar(QPainter& painter, const MockupLayout& layout, const QString& title);
    void paintStatusBar(QPainter& painter, const MockupLayout& layout, const QString& title);
    void paintContent(QPainter& painter, const MockupLayout& layout, const VorlapProject& project,
                      const QString& appPath, const QImage& background);
    void paintIconGroup(QPainter& painter, const MockupLayout& layout, const IconGroupLayout& group,
                        const QImage& icon);

    FileIcons m_icons;
    std::optional<WindowShadow> m_shadow;
    QSizeF m_shadowSize;
    QImage m_layer;
    QImage m_mask; // the outline, opaque inside, with smooth edges
    QRectF m_maskWindow;
};

} // namespace vorlap
