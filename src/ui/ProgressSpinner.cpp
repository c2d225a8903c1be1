#include "ui/ProgressSpinner.h"

#include <QPainter>
#include <QTimerEvent>

#include <algorithm>

namespace vorlap {

namespace {

constexpr int kSpokes = 12;
constexpr int kStepMilliseconds = 80;

} // namespace

ProgressSpinner::ProgressSpinner(QWidget* parent) : QWidget(parent), m_color(Qt::white)
{
    setFixedSize(kLargeSide, kLargeSide);
    setAttribute(Qt::WA_TranslucentBackground);
}

void ProgressSpinner::setColor(const QColor& color)
{
    m_color = color;
    update();
}

void ProgressSpinner::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double side = std::min(width(), height());
    painter.translate(width() / 2.0, height() / 2.0);
    const double inner = side * 0.22;
    const double outer = side * 0.48;
    QPen pen(m_color, side * 0.085, Qt::SolidLine, Qt::RoundCap);
    for (int i = 0; i < kSpokes; ++i) {
        // The brightest spoke is the current phase; the ones behind it fade out.
        const int age = (m_phase - i + kSpokes) % kSpokes;
        QColor colour = m_color;
        colour.setAlphaF(static_cast<float>(m_color.alphaF() * (1.0 - 0.75 * age / (kSpokes - 1))));
        pen.setColor(colour);
        painter.setPen(pen);
        painter.save();
        painter.rotate(360.0 * i / kSpokes);
        painter.drawLine(QPointF(0, -inner), QPointF(0, -outer));
        painter.restore();
    }
}

void ProgressSpinner::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_timer.timerId())
        return QWidget::timerEvent(event);
    m_phase = (m_phase + 1) % kSpokes;
    update();
}

void ProgressSpinner::showEvent(QShowEvent* event)
{
    m_timer.start(kStepMilliseconds, this);
    QWidget::showEvent(event);
}

void ProgressSpinner::hideEvent(QHideEvent* event)
{
    m_timer.stop();
    QWidget::hideEvent(event);
}

} // namespace vorlap
