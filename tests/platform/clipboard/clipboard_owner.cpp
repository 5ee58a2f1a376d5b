// Another program's copy, for the clipboard suites: puts text, a picture or both on the system
// clipboard, prints "ready" once it owns the clipboard, and stays until it is killed or another
// program takes the clipboard from it (an X clipboard lives only as long as its owner offers it).
//
// Usage: clipboard_owner --text TEXT | --image FILE | --both TEXT FILE | --bytes MIME FILE | --reown
//
// --bytes offers the file's bytes as they are under one MIME type, as programs offer a picture they
// hold encoded ("image/png"): nothing is decoded, so the picture may be of any size. --reown does
// what a clipboard manager does: it takes what the clipboard offers now, every format's bytes, and
// offers the same as its own.
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QStringList>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

int usage() {
    std::fprintf(stderr, "usage: clipboard_owner --text TEXT | --image FILE | --both TEXT FILE | "
                         "--bytes MIME FILE | --reown\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments().mid(1);
    if (args.isEmpty())
        return usage();

    auto* data = new QMimeData;
    const QString mode = args[0];
    QString imageFile;
    if (mode == "--text"_L1 && args.size() == 2) {
        data->setText(args[1]);
    } else if (mode == "--image"_L1 && args.size() == 2) {
        imageFile = args[1];
    } else if (mode == "--both"_L1 && args.size() == 3) {
        data->setText(args[1]);
        imageFile = args[2];
    } else if (mode == "--bytes"_L1 && args.size() == 3) {
        QFile file(args[2]);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "clipboard_owner: cannot read %s\n", qPrintable(args[2]));
            delete data;
            return 1;
        }
        data->setData(args[1], file.readAll());
    } else if (mode == "--reown"_L1 && args.size() == 1) {
        const QMimeData* current = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
        if (!current || current->formats().isEmpty()) {
            std::fprintf(stderr, "clipboard_owner: the clipboard offers nothing to take over\n");
            delete data;
            return 1;
        }
        for (const QString& format : current->formats())
            data->setData(format, current->data(format));
    } else {
        delete data;
        return usage();
    }
    if (!imageFile.isEmpty()) {
        const QImage image(imageFile);
        if (image.isNull()) {
            std::fprintf(stderr, "clipboard_owner: cannot read %s\n", qPrintable(imageFile));
            delete data;
            return 1;
        }
        data->setImageData(image);
    }

    QClipboard* clipboard = QGuiApplication::clipboard();
    QObject::connect(clipboard, &QClipboard::changed, &app, [clipboard](QClipboard::Mode changed) {
        if (changed == QClipboard::Clipboard && !clipboard->ownsClipboard())
            QGuiApplication::quit();
    });
    clipboard->setMimeData(data, QClipboard::Clipboard);
    if (!clipboard->ownsClipboard()) {
        std::fprintf(stderr, "clipboard_owner: could not take the clipboard\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return QGuiApplication::exec();
}
