#pragma once

#include "codecs/metafile/EmfPlusObjects.h"

#include <QPainterPath>
#include <QRegion>
#include <QTransform>

// Areas of the image as the pixels they cover: the EMF+ clip and the regions of the records. GDI+
// clips by whole pixels, and pixel areas combine in time that grows with their rows, where Qt's
// boolean path operations can take minutes on a few hundred crossing edges.
namespace metafile::emfplus {

// EMF+ combine modes.
enum CombineMode : quint32 { Replace, Intersect, Union, Xor, Exclude, Complement };

// The whole image, and a pixel around it.
QRegion everywhere(QSize image);

// The pixels of an image of `image` size whose centres `path`, mapped by `toImage`, covers. `work`
// grows with the cost, in the units of the canvas's work budget.
QRegion pixelArea(const QPainterPath& path, const QTransform& toImage, QSize image, qint64& work);

// `current` combined with `next` by a combine mode.
QRegion combine(const QRegion& current, const QRegion& next, quint32 mode, qint64& work);

// The region's pixels: its rectangles and paths mapped by `toImage`. Once `work` passes `allowance`,
// what remains of the region is left out.
QRegion regionArea(const Region& region, const QTransform& toImage, QSize image, qint64& work,
                   qint64 allowance);

// The work of clipping a drawing to `area`.
qint64 clipWork(const QRegion& area);

} // namespace metafile::emfplus
