#pragma once
// The main window's frame. On macOS the title bar is hidden (no title text, no title-bar
// background: the window's own dark colour shows instead); elsewhere the window manager's
// title bar stays, so the window can be moved and closed.
class QWidget;

namespace vorlap::WindowChrome {

// Sets the top-level window's flags; call before it is first shown.
void prepareMainWindow(QWidget& window);
// Finishes the frame once the native window exists (after the first show).
void finishMainWindow(QWidget& window);
// Brings the application to the front, ahead of the one that started it.
void activateApplication(QWidget& window);

} // namespace vorlap::WindowChrome
