#pragma once

#include <QByteArrayView>
#include <QString>

namespace metafile {

// Text that a metafile stores in the code page of its font: GB2312 fonts (charset 134) are read as
// GBK, everything else as Latin-1, the code page of most such files' western fonts.
QString decodeAnsi(QByteArrayView bytes, quint8 charset);

} // namespace metafile
