#include "codecs/metafile/AnsiText.h"

#include <QStringDecoder>

namespace metafile {

QString decodeAnsi(QByteArrayView bytes, quint8 charset) {
    constexpr quint8 gb2312Charset = 134;
    if (charset == gb2312Charset) {
        QStringDecoder gbk("GBK");
        if (gbk.isValid())
            return gbk.decode(bytes);
    }
    return QString::fromLatin1(bytes);
}

} // namespace metafile
