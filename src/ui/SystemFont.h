#pragma once
// The interface's one font family at sizes given in points (one point is one
// device-independent pixel), and the text styles the views name.
#include <QFont>

class QPaintDevice;

namespace vorlap::SystemFont {

// The system font at `points` size and the given weight. Sizes may be fractional;
// `device` is the one the text will be drawn on (its resolution turns points into
// font sizes); without one, the primary screen's is used.
QFont ofSize(double points, QFont::Weight weight = QFont::Normal, const QPaintDevice* device = nullptr);

// Text styles, at the sizes macOS gives them.
QFont headline(const QPaintDevice* device = nullptr); // 13, semibold
QFont title3(const QPaintDevice* device = nullptr);   // 15, regular
QFont caption(const QPaintDevice* device = nullptr);  // 10, regular

} // namespace vorlap::SystemFont
