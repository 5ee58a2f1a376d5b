// The system clipboard through Qt's clipboard: its change notification, narrowed to the copies other
// programs make, and what it offers.
#include "platform/Error.h"
#include "platform/PictureLimit.h"
#include "platform/SystemPlatform.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImageReader>
#include <QMimeData>
#include <QObject>
#include <memory>
#include <optional>

using namespace Qt::StringLiterals;

namespace platform {

namespace {

QClipboard* systemClipboard() {
    return QGuiApplication::clipboard();
}

// What the clipboard offers now; null while nothing is on it.
const QMimeData* offered() {
    QClipboard* clipboard = systemClipboard();
    return clipboard ? clipboard->mimeData(QClipboard::Clipboard) : nullptr;
}

// A picture another program offers, read from the bytes of one of its picture formats.
struct OfferedPicture {
    QImage image;
    QSize tooLarge; // valid when the picture is over the limit: its size
};

// The picture formats `data` offers, the common lossless ones first.
QStringList pictureFormats(const QMimeData& data) {
    QStringList formats;
    for (const QString& preferred : {u"image/png"_s, u"image/bmp"_s})
        if (data.hasFormat(preferred))
            formats << preferred;
    for (const QString& format : data.formats())
        if (format.startsWith(u"image/"_s) && !formats.contains(format))
            formats << format;
    return formats;
}

// Qt's own conversion of a copied picture reads it with Qt's allocation limit of 128 MB, which refuses
// a 7000 x 7000 picture, and says nothing of why. The bytes are read here instead, each format's size
// checked before anything is decoded.
OfferedPicture readOfferedPicture(const QMimeData& data) {
    for (const QString& format : pictureFormats(data)) {
        QByteArray bytes = data.data(format);
        if (bytes.isEmpty())
            continue;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        const QSize size = reader.size();
        if (!picturelimit::allows(size))
            return {{}, size};
        const QImage image = picturelimit::readWhole(reader);
        if (!image.isNull())
            return {image, {}};
    }
    // A picture offered in no format of its own (one made in this process) is already decoded.
    return {qvariant_cast<QImage>(data.imageData()), {}};
}

// What this program copied last, to know it again when another program (a clipboard manager) takes
// over the clipboard with the same content.
struct OwnCopy {
    std::optional<QString> text;
    QImage image;

    void remember(const QMimeData& data) {
        text = data.hasText() ? std::optional<QString>(data.text()) : std::nullopt;
        image = data.hasImage() ? qvariant_cast<QImage>(data.imageData()) : QImage();
    }
    void forget() { *this = {}; }

    // True when `data` offers what the watcher would take from this program's copy: its picture, or,
    // when it offers none, its text.
    bool offeredAgainIn(const QMimeData& data) const {
        if (data.hasImage()) {
            if (image.isNull())
                return false;
            const QImage picture = readOfferedPicture(data).image;
            return !picture.isNull() && picture.size() == image.size() &&
                   picture.convertToFormat(QImage::Format_ARGB32) ==
                       image.convertToFormat(QImage::Format_ARGB32);
        }
        return text && data.hasText() && data.text() == *text;
    }
};

} // namespace

void SystemPlatform::watchClipboard(QObject* receiver, std::function<void()> onChange) {
    QClipboard* clipboard = systemClipboard();
    if (!clipboard || !receiver)
        return;
    // A notice that has not been handled yet covers every change after it: the handler reads the
    // clipboard as it is when it runs, so a second run would only take the same content twice.
    auto pending = std::make_shared<bool>(false);
    auto own = std::make_shared<OwnCopy>();
    auto handle = [onChange = std::move(onChange), pending, own] {
        *pending = false;
        const QMimeData* data = offered();
        if (systemClipboard()->ownsClipboard())
            return;
        if (data && own->offeredAgainIn(*data))
            return;
        // Another program's own copy: this program's earlier copy is no longer what is offered.
        own->forget();
        onChange();
    };
    auto notice = [receiver, handle = std::move(handle), pending, own](QClipboard::Mode mode) {
        // Only the clipboard proper: the X selection changes with every text the user marks.
        if (mode != QClipboard::Clipboard)
            return;
        // Our own copies (Ctrl+C in an editor's text) are ours while they are announced; another
        // program's copy has taken the ownership from us by the time its notice arrives.
        if (systemClipboard()->ownsClipboard()) {
            if (const QMimeData* data = offered())
                own->remember(*data);
            return;
        }
        if (*pending)
            return;
        *pending = true;
        // The handler may show a modal window: it runs from the event loop, not from inside the window
        // system's delivery of this notice. A handler still queued when the receiver goes is dropped.
        QMetaObject::invokeMethod(receiver, handle, Qt::QueuedConnection);
    };
    QObject::connect(clipboard, &QClipboard::changed, receiver, std::move(notice));
}

bool SystemPlatform::clipboardHasImage() {
    const QMimeData* data = offered();
    return data && data->hasImage();
}

bool SystemPlatform::clipboardHasText() {
    const QMimeData* data = offered();
    return data && data->hasText();
}

QImage SystemPlatform::clipboardImage() {
    const QMimeData* data = offered();
    if (!data || !data->hasImage())
        return {};
    const OfferedPicture picture = readOfferedPicture(*data);
    if (picture.tooLarge.isValid())
        throw Error(u"复制的"_s + picturelimit::tooLargeText(picture.tooLarge));
    if (picture.image.isNull())
        throw Error(u"无法读取剪贴板上的图片：复制它的程序没有给出可以读取的图片。"_s);
    return picture.image;
}

QString SystemPlatform::clipboardText() {
    QClipboard* clipboard = systemClipboard();
    return clipboard ? clipboard->text(QClipboard::Clipboard) : QString();
}

} // namespace platform
