#include "ui/TintedSlider.h"

#include "ui/Palette.h"

#include <QPainter>
#include <QStyleOptionSlider>

#include <algorithm>

namespace vorlap {

namespace {

constexpr double kTrackHeight = 4;
constexpr int kHeight = 22;

} // namespace

TintedSlider::TintedSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent), m_tint(Palette::accent()) {}

void TintedSlider::setTint(const QColor& tint)
{
    m_tint = tint;
    update();
}

QSize TintedSlider::sizeHint() const { return {QSlider::sizeHint().width(), kHeight}; }

void TintedSlider::paintEvent(QPaintEvent*)
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double knob = std::min(double(height()) - 4, 18.0);
    const double centreY = height() / 2.0;
    const double knobX = std::clamp(double(handle.center().x()), knob / 2, width() - knob / 2);
    const QRectF track(knob / 2 - kTrackHeight / 2, centreY - kTrackHeight / 2, width() - knob + kTrackHeight, kTrackHeight);

    painter.setPen(Qt::NoPen);
    painter.setBrush(Palette::separator().lighter(135));
    painter.drawRoundedRect(track, kTrackHeight / 2, kTrackHeight / 2);
    QColor fill = isEnabled() ? m_tint : Palette::withOpacity(m_tint, 0.4);
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(track.left(), track.top(), knobX - track.left(), kTrackHeight), kTrackHeight / 2,
                            kTrackHeight / 2);

    const QRectF knobRect(knobX - knob / 2, centreY - knob / 2, knob, knob);
    painter.setBrush(QColor(0, 0, 0, 70));
    painter.drawEllipse(knobRect.translated(0, 0.8));
    painter.setBrush(isSliderDown() ? QColor(205, 205, 214) : QColor(236, 236, 242));
    painter.drawEllipse(knobRect);
    if (hasFocus()) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Palette::withOpacity(Palette::accent(), 0.8), 2));
        painter.drawEllipse(knobRect.adjusted(-1.5, -1.5, 1.5, 1.5));
    }
}

} // namespace vorlap
