#pragma once

#include <QImage>
#include <QRect>
#include <QtTest>

// Pixel checks for rendered metafiles: exact colours where GDI draws without anti-aliasing.
inline QRgb rgbAt(const QImage& image, int x, int y) {
    return image.pixel(x, y) & 0xFFFFFF;
}

#define QCOMPARE_PIXEL(image, x, y, colour)                                                                  \
    QCOMPARE(QColor(rgbAt(image, x, y)), QColor(QRgb(colour) & 0xFFFFFF))

// Pixels in `area` darker than mid-grey, the marks of drawn text.
inline int darkPixels(const QImage& image, const QRect& area) {
    int count = 0;
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            count += qGray(image.pixel(x, y)) < 128;
    return count;
}

inline constexpr QRgb red = 0xFF0000;
inline constexpr QRgb green = 0x00FF00;
inline constexpr QRgb blue = 0x0000FF;
inline constexpr QRgb yellow = 0xFFFF00;
inline constexpr QRgb white = 0xFFFFFF;
inline constexpr QRgb black = 0x000000;
