#include "ui/SymbolButton.h"

#include "ui/Palette.h"
#include "ui/ProgressSpinner.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace vorlap {

namespace {

constexpr double kCornerRadius = 6;
constexpr double kDisabledOpacity = 0.4;

} // namespace

SymbolButton::SymbolButton(Style style, QWidget* parent)
    : QAbstractButton(parent),
      m_style(style),
      m_contentColor(style == Style::prominent ? QColor(Qt::white) : QColor::fromRgbF(1, 1, 1, 0.88f)),
      m_tint(Palette::accent())
{
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    if (style == Style::plain)
        m_padding = {0, 1, 0, 1};
}

void SymbolButton::setLabel(const QString& text)
{
    m_label = text;
    setAccessibleName(text);
    updateGeometry();
    placeSpinner();
    update();
}

void SymbolButton::setSymbol(std::optional<SymbolImages::Symbol> symbol)
{
    m_symbol = symbol;
    updateGeometry();
    update();
}

void SymbolButton::setBusy(bool busy)
{
    if (m_busy == busy)
        return;
    m_busy = busy;
    if (busy && !m_spinner) {
        m_spinner = new ProgressSpinner(this);
        m_spinner->setFixedSize(ProgressSpinner::kSmallSide, ProgressSpinner::kSmallSide);
        m_spinner->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    if (m_spinner) {
        m_spinner->setColor(m_contentColor);
        m_spinner->setVisible(busy);
    }
    updateGeometry();
    placeSpinner();
    update();
}

void SymbolButton::setLabelFont(const QFont& font)
{
    setFont(font);
    updateGeometry();
    update();
}

void SymbolButton::setContentColor(const QColor& color)
{
    m_contentColor = color;
    if (m_spinner)
        m_spinner->setColor(color);
    update();
}

void SymbolButton::setTint(const QColor& color)
{
    m_tint = color;
    update();
}

void SymbolButton::setSpacing(double spacing)
{
    m_spacing = spacing;
    updateGeometry();
    update();
}

void SymbolButton::setPadding(const QMarginsF& padding)
{
    m_padding = padding;
    updateGeometry();
    update();
}

void SymbolButton::setElideMode(Qt::TextElideMode mode)
{
    m_elideMode = mode;
    update();
}

void SymbolButton::setContentAlignment(Qt::Alignment alignment)
{
    m_alignment = alignment;
    placeSpinner();
    update();
}

QSizeF SymbolButton::leadSize() const
{
    if (m_busy)
        return {double(ProgressSpinner::kSmallSide), double(ProgressSpinner::kSmallSide)};
    if (m_symbol)
        return m_symbol->size(QFontInfo(font()).pixelSize());
    return {0, 0};
}

QString SymbolButton::shownText() const { return layoutRow().text; }

SymbolButton::Row SymbolButton::layoutRow() const
{
    const QFontMetricsF metrics(font());
    const QSizeF lead = leadSize();
    const double gap = lead.width() > 0 && !m_label.isEmpty() ? m_spacing : 0;
    const QRectF inner = QRectF(rect()).marginsRemoved(m_padding);
    const double textRoom = std::max(0.0, inner.width() - lead.width() - gap);
    Row row;
    row.text = metrics.horizontalAdvance(m_label) <= textRoom ? m_label : metrics.elidedText(m_label, m_elideMode, textRoom);
    const double width = lead.width() + gap + metrics.horizontalAdvance(row.text);
    double x = inner.left();
    if (m_alignment & Qt::AlignHCenter)
        x += (inner.width() - width) / 2;
    else if (m_alignment & Qt::AlignRight)
        x += inner.width() - width;
    const double centreY = inner.center().y();
    row.lead = QRectF(QPointF(x, centreY - lead.height() / 2), lead);
    // Text centred on its cap height plus descent, as labels are set.
    row.baseline = QPointF(x + lead.width() + gap, centreY + (metrics.ascent() - metrics.descent()) / 2);
    return row;
}

void SymbolButton::placeSpinner()
{
    if (!m_spinner || !m_busy)
        return;
    const QRectF lead = layoutRow().lead;
    m_spinner->move(int(std::round(lead.left())), int(std::round(lead.top())));
}

QSize SymbolButton::sizeHint() const
{
    const QFontMetricsF metrics(font());
    const QSizeF lead = leadSize();
    const double gap = lead.width() > 0 && !m_label.isEmpty() ? m_spacing : 0;
    const double width = lead.width() + gap + metrics.horizontalAdvance(m_label) + m_padding.left() + m_padding.right();
    const double height = std::max(lead.height(), metrics.height()) + m_padding.top() + m_padding.bottom();
    return {int(std::ceil(width)), int(std::ceil(height))};
}

QSize SymbolButton::minimumSizeHint() const
{
    // Any width down to the symbol: the text shortens.
    const QSize hint = sizeHint();
    const double lead = leadSize().width() + m_padding.left() + m_padding.right();
    return {int(std::ceil(lead)), hint.height()};
}

void SymbolButton::paintBezel(QPainter& painter) const
{
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath shape;
    shape.addRoundedRect(box, kCornerRadius, kCornerRadius);
    const bool enabled = isEnabled();
    const bool hover = enabled && underMouse();
    switch (m_style) {
    case Style::bordered: {
        const double fillOpacity = !enabled ? 0.05 : isDown() ? 0.2 : hover ? 0.14 : 0.1;
        painter.fillPath(shape, QColor::fromRgbF(1, 1, 1, float(fillOpacity)));
        painter.setPen(QPen(QColor::fromRgbF(1, 1, 1, enabled ? 0.1f : 0.05f), 1));
        painter.drawPath(shape);
        break;
    }
    case Style::prominent: {
        QColor fill = isDown() ? m_tint.darker(118) : hover ? m_tint.lighter(108) : m_tint;
        if (!enabled)
            fill = Palette::withOpacity(m_tint, kDisabledOpacity);
        painter.fillPath(shape, fill);
        break;
    }
    case Style::plain:
        break;
    }
    if (hasFocus()) {
        painter.setPen(QPen(Palette::withOpacity(Palette::accent(), 0.8), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), kCornerRadius, kCornerRadius);
    }
}

void SymbolButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    paintBezel(painter);

    QColor content = m_contentColor;
    if (!isEnabled())
        content = Palette::withOpacity(content, kDisabledOpacity);
    else if (m_style == Style::plain && isDown())
        content = Palette::withOpacity(content, 0.6);

    const Row row = layoutRow();
    if (m_symbol && !m_busy && !row.lead.isEmpty())
        m_symbol->paint(painter, row.lead, content);
    painter.setFont(font());
    painter.setPen(content);
    painter.drawText(row.baseline, row.text);
}

void SymbolButton::resizeEvent(QResizeEvent* event)
{
    QAbstractButton::resizeEvent(event);
    placeSpinner();
}

void SymbolButton::changeEvent(QEvent* event)
{
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        updateGeometry();
        placeSpinner();
    }
}

} // namespace vorlap
