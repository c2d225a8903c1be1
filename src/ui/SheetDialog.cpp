#include "ui/SheetDialog.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QVBoxLayout>

namespace vorlap {

SheetDialog::SheetDialog(QWidget* content, QWidget* window)
    : QDialog(window,
#ifdef Q_OS_MACOS
              Qt::Sheet
#else
              Qt::Dialog | Qt::FramelessWindowHint
#endif
              ),
      m_content(content)
{
    setWindowModality(Qt::WindowModal);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(content);
}

void SheetDialog::present()
{
    m_finishing = false;
    open();
}

void SheetDialog::finish()
{
    m_finishing = true;
    done(QDialog::Accepted);
    m_finishing = false;
}

void SheetDialog::reject()
{
    // Escape and the window manager's close lead here; only finish() may close.
    if (m_finishing)
        QDialog::reject();
}

void SheetDialog::closeEvent(QCloseEvent* event)
{
    if (m_finishing)
        return QDialog::closeEvent(event);
    event->ignore();
}

void SheetDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape || (event->modifiers() == Qt::ControlModifier && event->key() == Qt::Key_Period)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void SheetDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    placeOverWindow();
}

void SheetDialog::placeOverWindow()
{
#ifndef Q_OS_MACOS
    if (QWidget* window = parentWidget() ? parentWidget()->window() : nullptr) {
        adjustSize();
        const QPoint topCentre = window->mapToGlobal(QPoint((window->width() - width()) / 2, 0));
        move(topCentre);
    }
#endif
}

} // namespace vorlap
