#pragma once
// A horizontal slider drawn in the dark scheme: a thin track, filled with the tint up to a
// round light knob. Hit-testing and keyboard handling stay the style's, so the knob is
// drawn exactly where the style places its handle.
#include <QColor>
#include <QSlider>

namespace vorlap {

class TintedSlider : public QSlider {
    Q_OBJECT

public:
    explicit TintedSlider(QWidget* parent = nullptr);

    void setTint(const QColor& tint);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_tint;
};

} // namespace vorlap
