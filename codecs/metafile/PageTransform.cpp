#include "codecs/metafile/PageTransform.h"

#include "codecs/metafile/Limits.h"

#include <cmath>

namespace metafile {

namespace {

// Millimetres per logical unit of the fixed map modes.
double millimetresPerUnit(int mode) {
    switch (mode) {
    case MmLoMetric:
        return 0.1;
    case MmHiMetric:
        return 0.01;
    case MmLoEnglish:
        return 0.254;
    case MmHiEnglish:
        return 0.0254;
    case MmTwips:
        return 25.4 / 1440;
    default:
        return 0;
    }
}

// Window to viewport; the isotropic mode keeps the aspect, shrinking the larger scale as GDI does.
QSizeF extentScale(QSizeF window, QSizeF viewport, bool isotropic) {
    double sx = viewport.width() / window.width();
    double sy = viewport.height() / window.height();
    if (isotropic) {
        const double s = std::min(std::abs(sx), std::abs(sy));
        sx = std::copysign(s, sx);
        sy = std::copysign(s, sy);
    }
    return {sx, sy};
}

} // namespace

QTransform pageTransform(const DcState& dc, const Mapping& mapping) {
    QSizeF scale(1, 1);
    if (mapping.wmf) {
        // A WMF has no device of its own: its window is stretched over the image unless the file
        // sets a viewport, taken in image pixels. Only the isotropic mode changes that rule.
        scale = extentScale(dc.windowExtent.value_or(mapping.wmfWindow.size()),
                            dc.viewportExtent.value_or(mapping.imageSize), dc.mapMode == MmIsotropic);
    } else if (const double mm = millimetresPerUnit(dc.mapMode); mm > 0) {
        scale = QSizeF(mapping.devicePerMm.width() * mm, -mapping.devicePerMm.height() * mm);
    } else if (dc.mapMode == MmIsotropic || dc.mapMode == MmAnisotropic) {
        scale = extentScale(dc.windowExtent.value_or(QSizeF(1, 1)), dc.viewportExtent.value_or(QSizeF(1, 1)),
                            dc.mapMode == MmIsotropic);
    }
    const double sx = scale.width();
    const double sy = scale.height();
    return QTransform(sx, 0, 0, sy, dc.viewportOrigin.x() - dc.windowOrigin.x() * sx,
                      dc.viewportOrigin.y() - dc.windowOrigin.y() * sy);
}

bool saneCoordinate(double value) {
    return std::isfinite(value) && std::abs(value) <= limits::maxCoordinate;
}

bool saneExtent(QSizeF extent) {
    return saneCoordinate(extent.width()) && saneCoordinate(extent.height()) && extent.width() != 0 &&
           extent.height() != 0;
}

bool saneTransform(const QTransform& t) {
    const double entries[] = {t.m11(), t.m12(), t.m13(), t.m21(), t.m22(),
                              t.m23(), t.m31(), t.m32(), t.m33()};
    for (const double value : entries) {
        if (!std::isfinite(value) || std::abs(value) > limits::maxCoordinate)
            return false;
    }
    const double det = t.determinant();
    return std::isfinite(det) && std::abs(det) > 1e-12;
}

} // namespace metafile
