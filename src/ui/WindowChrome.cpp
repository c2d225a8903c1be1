#include "ui/WindowChrome.h"

#include "ui/Palette.h"

#include <QWidget>

#ifdef Q_OS_MACOS
#include <dlfcn.h>
#endif

namespace vorlap::WindowChrome {

#ifdef Q_OS_MACOS
namespace {

// The Objective-C runtime, reached without linking against it: AppKit is loaded by Qt.
using Id = void*;
using Sel = void*;

template <class Result, class... Args>
Result send(Id receiver, const char* selector, Args... args)
{
    static const auto registerName = reinterpret_cast<Sel (*)(const char*)>(dlsym(RTLD_DEFAULT, "sel_registerName"));
    static void* const messageSend = dlsym(RTLD_DEFAULT, "objc_msgSend");
    if (!receiver || !registerName || !messageSend)
        return Result();
    return reinterpret_cast<Result (*)(Id, Sel, Args...)>(messageSend)(receiver, registerName(selector), args...);
}

Id classNamed(const char* name)
{
    static const auto getClass = reinterpret_cast<Id (*)(const char*)>(dlsym(RTLD_DEFAULT, "objc_getClass"));
    return getClass ? getClass(name) : nullptr;
}

Id nativeWindow(QWidget& window)
{
    // On macOS a widget's window id is its NSView.
    return send<Id>(reinterpret_cast<Id>(window.winId()), "window");
}

} // namespace
#endif

void prepareMainWindow(QWidget& window)
{
#ifdef Q_OS_MACOS
    window.setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowMinimizeButtonHint);
#else
    // The window manager's frame with its title and close button; the window has one
    // size, so it offers no maximise button.
    window.setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint);
#endif
}

void finishMainWindow(QWidget& window)
{
#ifdef Q_OS_MACOS
    const Id nsWindow = nativeWindow(window);
    constexpr long titleHidden = 1; // NSWindowTitleHidden
    send<void>(nsWindow, "setTitleVisibility:", titleHidden);
    send<void>(nsWindow, "setTitlebarAppearsTransparent:", static_cast<signed char>(1));
    const QColor colour = Palette::windowBackground();
    const Id background = send<Id>(classNamed("NSColor"), "colorWithSRGBRed:green:blue:alpha:", colour.redF(),
                                   colour.greenF(), colour.blueF(), 1.0);
    send<void>(nsWindow, "setBackgroundColor:", background);
#else
    Q_UNUSED(window);
#endif
}

void activateApplication(QWidget& window)
{
    window.raise();
    window.activateWindow();
#ifdef Q_OS_MACOS
    const Id application = send<Id>(classNamed("NSApplication"), "sharedApplication");
    send<void>(application, "activateIgnoringOtherApps:", static_cast<signed char>(1));
#endif
}

} // namespace vorlap::WindowChrome
