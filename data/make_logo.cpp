// Draws the default bank logo: a rounded card with a stylised "Q" and a check mark, saved as JPEG.
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_logo OUT.jpg\n");
        return 2;
    }
    const int size = 128;
    QImage image(size, size, QImage::Format_RGB32);
    image.fill(Qt::white);

    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient card(0, 0, 0, size);
    card.setColorAt(0, QColor(64, 145, 108));
    card.setColorAt(1, QColor(27, 94, 72));
    p.setPen(Qt::NoPen);
    p.setBrush(card);
    p.drawRoundedRect(QRectF(6, 6, size - 12, size - 12), 22, 22);

    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(204, 232, 207), 12, Qt::SolidLine, Qt::RoundCap));
    p.drawEllipse(QRectF(28, 26, 66, 66));
    p.drawLine(QPointF(78, 78), QPointF(100, 100));

    QPainterPath tick;
    tick.moveTo(44, 60);
    tick.lineTo(56, 72);
    tick.lineTo(78, 46);
    p.setPen(QPen(Qt::white, 8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(tick);
    p.end();

    if (!image.save(QString::fromLocal8Bit(argv[1]), "JPG", 90)) {
        std::fprintf(stderr, "make_logo: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
