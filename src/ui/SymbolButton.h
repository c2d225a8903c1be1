#pragma once
// A push button whose label is a row of an optional symbol (or a small spinner) and a
// one-line text, drawn by the button itself in one of three styles: bordered (a light
// bezel), prominent (filled with a tint) and plain (no bezel). The text is shortened
// with an ellipsis when the button is too narrow for it.
#include "ui/SymbolImages.h"

#include <QAbstractButton>
#include <QColor>
#include <QMarginsF>

#include <optional>

namespace vorlap {

class ProgressSpinner;

class SymbolButton : public QAbstractButton {
    Q_OBJECT

public:
    enum class Style { bordered, prominent, plain };

    explicit SymbolButton(Style style, QWidget* parent = nullptr);

    // The label. (QAbstractButton::setText is not used: it would turn "&" into shortcuts.)
    void setLabel(const QString& text);
    const QString& label() const { return m_label; }
    void setSymbol(std::optional<SymbolImages::Symbol> symbol);
    // A small spinning indicator in the symbol's place.
    void setBusy(bool busy);
    bool isBusy() const { return m_busy; }

    void setLabelFont(const QFont& font);
    void setContentColor(const QColor& color);
    void setTint(const QColor& color);
    void setSpacing(double spacing);
    void setPadding(const QMarginsF& padding);
    void setElideMode(Qt::TextElideMode mode);
    // Where the label row sits when the button is wider than the row.
    void setContentAlignment(Qt::Alignment alignment);

    // The text as drawn at the current width (shortened when it does not fit).
    QString shownText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Row {
        QRectF lead;      // symbol or spinner; empty when there is neither
        QPointF baseline; // where the text starts
        QString text;
    };

    QSizeF leadSize() const;
    Row layoutRow() const;
    void placeSpinner();
    void paintBezel(QPainter& painter) const;

    Style m_style;
    QString m_label;
    std::optional<SymbolImages::Symbol> m_symbol;
    bool m_busy = false;
    ProgressSpinner* m_spinner = nullptr;
    QColor m_contentColor;
    QColor m_tint;
    double m_spacing = 6;
    QMarginsF m_padding{10, 4, 10, 4};
    Qt::TextElideMode m_elideMode = Qt::ElideMiddle;
    Qt::Alignment m_alignment = Qt::AlignHCenter;
};

} // namespace vorlap
