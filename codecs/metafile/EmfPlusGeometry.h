#pragma once

#include "codecs/metafile/EmfPlusObjects.h"

#include <QPainterPath>
#include <QPolygonF>
#include <QTransform>

// Geometry the EMF+ records share: cardinal splines, arcs, and what drawing a path costs.
namespace metafile::emfplus {

// A cardinal spline through `points` with GDI+'s tension: `segments` segments from point `offset`
// (all of them when negative), or the closed curve through all points.
QPainterPath cardinalSpline(const QPolygonF& points, double tension, bool closed, qint64 offset = 0,
                            qint64 segments = -1);

// How Qt's raster engine draws a path.
enum class Raster { Fill, Stroke, Hairline };

// The work of drawing `path` onto an image of `image` pixels through `toImage`, in the units of the
// canvas's work budget (about a nanosecond of Qt's raster engine each, as measured): it grows with the
// elements, with the scan lines the edges cross (much faster when anti-aliased and overlapping), and
// for thin lines with their length.
qint64 rasterWork(const QPainterPath& path, const QTransform& toImage, QSizeF image, Raster raster,
                  bool antialias);

// An arc of the ellipse in `box` from `startDegrees` sweeping `sweepDegrees`, both measured clockwise
// from the x axis as GDI+ does, on the ellipse itself (not on its parameter). A pie adds the centre.
QPainterPath ellipseArc(const QRectF& box, double startDegrees, double sweepDegrees, bool pie);

} // namespace metafile::emfplus
