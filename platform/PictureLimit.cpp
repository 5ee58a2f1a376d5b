#include "platform/PictureLimit.h"

#include <QImageReader>

using namespace Qt::StringLiterals;

namespace platform::picturelimit {

namespace {

// Four bytes a pixel for the largest picture allowed, with room to spare.
constexpr int allocationLimitMb = 512;

} // namespace

bool allows(const QSize& size) {
    return !size.isValid() || qint64(size.width()) * size.height() <= maxPixels;
}

QImage readWhole(QImageReader& reader) {
    if (!allows(reader.size()))
        return {};
    // The limit is Qt's, for every reader of the process; the pixel count above is the program's.
    QImageReader::setAllocationLimit(allocationLimitMb);
    return reader.read();
}

QString tooLargeText(const QSize& size) {
    return u"图片太大：%1 × %2 像素，超过了 1 亿像素的上限，没有保存。"_s.arg(size.width())
        .arg(size.height());
}

} // namespace platform::picturelimit
