#pragma once
// A modal panel over the main window that the user cannot dismiss: no close button,
// Escape does nothing, close requests are refused. Only finish() closes it. On macOS
// it is a sheet attached to the window; elsewhere a frameless dialog laid at the top
// centre of the window, where a sheet would slide out.
#include <QDialog>

namespace vorlap {

class SheetDialog : public QDialog {
    Q_OBJECT

public:
    // `content` becomes the panel's only child; the panel takes its size.
    SheetDialog(QWidget* content, QWidget* window);

    QWidget* content() const { return m_content; }

    // Shows the panel over its window (window-modal; returns at once).
    void present();
    // Closes the panel.
    void finish();

    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void placeOverWindow();

    QWidget* m_content;
    bool m_finishing = false;
};

} // namespace vorlap
