// Draws the demo's background and app icon. Build and run by hand:
//   g++ -std=c++20 -fPIC scripts/make-example-pictures.cpp -o /tmp/pictures $(pkg-config --cflags --libs Qt6Gui)
//   QT_QPA_PLATFORM=offscreen /tmp/pictures /tmp && cp /tmp/background.png examples/ && cp /tmp/Sample.icns examples/Sample.app/Contents/Resources/
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QFont>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QString out = argv[1];

    // Background: 540 x 380, pale gradient, an arrow from the app to the Applications icon.
    QImage bg(540, 380, QImage::Format_RGB32);
    {
        QPainter p(&bg);
        p.setRenderHint(QPainter::Antialiasing);
        QLinearGradient g(0, 0, 0, 380);
        g.setColorAt(0, QColor(246, 248, 252));
        g.setColorAt(1, QColor(222, 230, 244));
        p.fillRect(bg.rect(), g);
        QPen pen(QColor(120, 140, 190), 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        p.setPen(pen);
        p.drawLine(QPointF(250, 190), QPointF(288, 190));
        QPainterPath head;
        head.moveTo(300, 190);
        head.lineTo(284, 178);
        head.lineTo(284, 202);
        head.closeSubpath();
        p.setBrush(QColor(120, 140, 190));
        p.drawPath(head);
        QFont f("DejaVu Sans", 13);
        p.setFont(f);
        p.setPen(QColor(90, 100, 130));
        p.drawText(QRectF(0, 300, 540, 30), Qt::AlignCenter, "Drag Sample to Applications to install");
    }
    bg.save(out + "/background.png");

    // Icon: rounded square, blue gradient, a white "S".
    QImage icon(512, 512, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    {
        QPainter p(&icon);
        p.setRenderHint(QPainter::Antialiasing);
        QLinearGradient g(0, 0, 0, 512);
        g.setColorAt(0, QColor(96, 140, 250));
        g.setColorAt(1, QColor(50, 80, 200));
        p.setBrush(g);
        p.setPen(Qt::NoPen);
        p.drawRoundedRect(QRectF(40, 40, 432, 432), 96, 96);
        QFont f("DejaVu Sans", 220, QFont::Bold);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(QRectF(40, 40, 432, 432), Qt::AlignCenter, "S");
    }
    QImageWriter w(out + "/Sample.icns", "icns");
    if (!w.write(icon)) { qWarning("icns: %s", qPrintable(w.errorString())); return 1; }
    return 0;
}
