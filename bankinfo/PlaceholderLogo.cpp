#include "bankinfo/PlaceholderLogo.h"

#include <QColor>
#include <QPainter>
#include <QPainterPath>

QImage placeholderLogo() {
    constexpr int side = 80;
    QImage picture(side, side, QImage::Format_RGB32);
    picture.fill(QColor(0xee, 0xee, 0xee));

    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor ink(0xb4, 0xb4, 0xb4);
    painter.setPen(QPen(ink, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(4, 4, side - 8, side - 8));

    painter.setPen(Qt::NoPen);
    painter.setBrush(ink);
    painter.drawEllipse(QPointF(56, 26), 7, 7);
    QPainterPath hills;
    hills.moveTo(10, 66);
    hills.lineTo(30, 38);
    hills.lineTo(44, 56);
    hills.lineTo(54, 46);
    hills.lineTo(70, 66);
    hills.closeSubpath();
    painter.drawPath(hills);
    return picture;
}
