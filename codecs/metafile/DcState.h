#pragma once

#include "codecs/metafile/GdiObjects.h"

#include <QPainterPath>
#include <QPointF>
#include <QSizeF>
#include <QTransform>
#include <optional>

namespace metafile {

// GDI's map modes.
enum MapMode {
    MmText = 1,
    MmLoMetric,
    MmHiMetric,
    MmLoEnglish,
    MmHiEnglish,
    MmTwips,
    MmIsotropic,
    MmAnisotropic
};

// Everything SAVEDC keeps and RESTOREDC brings back: the selected objects, the text and background
// settings, the coordinate mapping, the current position and the clip. Initial values are GDI's.
struct DcState {
    QPen pen = makePen(0, 0, Qt::black);
    QBrush brush = QBrush(Qt::white);
    LogicalFont font;
    QColor textColor = Qt::black;
    QColor backgroundColor = Qt::white;
    bool opaqueBackground = true;
    quint32 textAlign = 0;
    Qt::FillRule fillRule = Qt::OddEvenFill;
    bool clockwiseArcs = false;

    int mapMode = MmText;
    QPointF windowOrigin;
    QPointF viewportOrigin;
    std::optional<QSizeF> windowExtent;   // unset: the picture's own (WMF) or one to one (EMF)
    std::optional<QSizeF> viewportExtent; // unset: the image (WMF) or one to one (EMF)
    QTransform world;

    QPointF currentPosition;
    // In image pixels, so that later changes of the mapping leave it where it was set.
    std::optional<QPainterPath> clip;
};

} // namespace metafile
