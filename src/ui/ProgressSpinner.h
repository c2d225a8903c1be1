#pragma once
// An indeterminate progress indicator: twelve spokes whose brightness runs round
// the circle. It animates only while it is shown.
#include <QBasicTimer>
#include <QColor>
#include <QWidget>

namespace vorlap {

class ProgressSpinner : public QWidget {
    Q_OBJECT

public:
    // The side of the large indicator, in points.
    static constexpr int kLargeSide = 32;
    // The side of the small indicator, shown inside buttons.
    static constexpr int kSmallSide = 16;

    explicit ProgressSpinner(QWidget* parent = nullptr);

    void setColor(const QColor& color);
    // Which of the twelve spokes is brightest now.
    int phase() const { return m_phase; }

    QSize sizeHint() const override { return {kLargeSide, kLargeSide}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QBasicTimer m_timer;
    QColor m_color;
    int m_phase = 0;
};

} // namespace vorlap
