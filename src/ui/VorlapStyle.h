#pragma once
// The look of the window's plain widgets in one place. A widget names the role it plays
// (a surface or a kind of text) and the style, installed for the whole application,
// turns the role into colours when it polishes the widget. The painted pieces (the
// mock-up, the drop zone, the spinner, the window chrome) draw their own colours.
#include <QProxyStyle>

namespace vorlap {

class VorlapStyle : public QProxyStyle {
public:
    // A widget that fills its background.
    enum class Surface { window, sidebar, separator };
    // A label's text colour.
    enum class Text { primary, secondary, value, subheading, caption };

    static void setSurface(QWidget* widget, Surface surface);
    static void setText(QWidget* widget, Text text);

    // Makes a VorlapStyle the application's style, once; call after QApplication exists.
    static void install();

    using QProxyStyle::polish;
    void polish(QWidget* widget) override;
};

} // namespace vorlap
