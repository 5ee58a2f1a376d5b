// Dashed strokes that run far outside the image.
//
// Qt dashes a stroke along its whole length and only then clips the dashes' outline, as one path: a
// dotted line that runs tens of thousands of pixels past the picture (damaged or careless files have
// them) costs seconds there. Such a stroke is cut to the image first, segment by segment, each piece
// starting at the place in the dash pattern where the whole stroke would be.
#include "codecs/metafile/Canvas.h"

#include <cmath>

namespace metafile {

namespace {

// How far a dashed stroke may reach outside the image, in pixels, and still be left to Qt whole.
constexpr double dashReach = 4096;

// The part of segment a→b inside `r`, as parameters [t0, t1] along it (Liang–Barsky).
bool clipSegment(QPointF a, QPointF b, const QRectF& r, double& t0, double& t1) {
    t0 = 0;
    t1 = 1;
    const double dx = b.x() - a.x();
    const double dy = b.y() - a.y();
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x() - r.left(), r.right() - a.x(), a.y() - r.top(), r.bottom() - a.y()};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1)
            return false;
    }
    return true;
}

double distance(QPointF a, QPointF b) {
    return std::hypot(b.x() - a.x(), b.y() - a.y());
}

} // namespace

bool Canvas::dashesReachFar(const QPainterPath& path, const QPen& pen) const {
    if (pen.style() == Qt::NoPen || pen.style() == Qt::SolidLine)
        return false;
    const QRectF reach = QRectF(image_.rect()).adjusted(-dashReach, -dashReach, dashReach, dashReach);
    return !reach.contains(painter_.transform().mapRect(path.controlPointRect()));
}

bool Canvas::dashesBelowPixel(const QPainterPath& path, const QPen& pen) const {
    if (pen.style() == Qt::NoPen || pen.style() == Qt::SolidLine || pen.isCosmetic())
        return false;
    double period = 0;
    for (const qreal dash : pen.dashPattern())
        period += dash;
    period *= pen.widthF() > 0 ? pen.widthF() : 1;
    if (!(period > 0))
        return false;
    const QTransform toImage = painter_.transform();
    double units = 0;
    double pixels = 0;
    for (const QPolygonF& line : path.toSubpathPolygons()) {
        for (qsizetype i = 0; i + 1 < line.size(); ++i) {
            units += distance(line[i], line[i + 1]);
            pixels += distance(toImage.map(line[i]), toImage.map(line[i + 1]));
        }
    }
    return units / period > 4 * (pixels + 1);
}

void Canvas::strokeDashesNearImage(const QPainterPath& path, const QPen& pen) {
    const QTransform toImage = painter_.transform();
    const QRectF image(image_.rect());

    // A cosmetic pen dashes in image pixels, any other in the path's own units; a pattern's lengths
    // and its offset count pen widths (a width of 0 counts as 1).
    const bool cosmetic = pen.isCosmetic();
    const double unit = pen.widthF() > 0 ? pen.widthF() : 1;
    const double penPixels = cosmetic ? unit : unit * std::sqrt(std::abs(toImage.determinant()));
    const QRectF visible = image.adjusted(-penPixels - 2, -penPixels - 2, penPixels + 2, penPixels + 2);
    QPen piece = pen;
    for (const QPolygonF& line : path.toSubpathPolygons()) {
        double along = pen.dashOffset(); // the pattern starts again with every subpath
        for (qsizetype i = 0; i + 1 < line.size(); ++i) {
            const QPointF a = line[i];
            const QPointF b = line[i + 1];
            const QPointF imageA = toImage.map(a);
            const QPointF imageB = toImage.map(b);
            const double widths = (cosmetic ? distance(imageA, imageB) : distance(a, b)) / unit;
            double t0 = 0;
            double t1 = 0;
            if (clipSegment(imageA, imageB, visible, t0, t1)) {
                budget_ -= 16;
                piece.setDashOffset(along + t0 * widths);
                painter_.setPen(piece);
                painter_.drawLine(a + t0 * (b - a), a + t1 * (b - a));
            }
            along += widths;
        }
    }
}

} // namespace metafile
