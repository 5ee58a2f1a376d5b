#include "bench/PictureCases.h"

#include "app/TForm1.h"
#include "bench/BenchPlatform.h"
#include "codecs/metafile/MetafileImage.h"
#include "editor/TTianjia.h"
#include "tests/support/MetafileWriter.h"
#include "ui_TTianjia.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QtEndian>
#include <stdexcept>
#include <vector>

using namespace Qt::StringLiterals;

namespace benchcases {

namespace {

constexpr int runs = 15;
constexpr int photoWidth = 6000;
constexpr int photoHeight = 4000;
const QSize display(337, 180);

// A photograph-like picture: smooth gradients under fine detail, so that it compresses as photos do
// and its decoder has real work in every block.
QImage photo() {
    QImage image(photoWidth, photoHeight, QImage::Format_RGB32);
    for (int y = 0; y < photoHeight; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < photoWidth; ++x)
            line[x] = qRgb(x * 255 / photoWidth, y * 255 / photoHeight, ((x ^ y) * 7) & 0xff);
    }
    return image;
}

struct Picture {
    QString name;      // in the bank's folder
    QString path;      // relative to the working directory
    QByteArray format; // empty for the metafiles
    metafile::Kind kind = metafile::Kind::Emf;
};

Picture pictureOf(const std::string& caseName, const QString& folder) {
    if (caseName == "show_picture_emf")
        return {u"large.emf"_s, folder + u"/large.emf"_s, {}};
    if (caseName == "show_picture_wmf")
        return {u"formula.wmf"_s, folder + u"/formula.wmf"_s, {}, metafile::Kind::Wmf};
    if (caseName == "show_picture_jpeg")
        return {u"photo.jpg"_s, folder + u"/photo.jpg"_s, "jpeg"};
    return {u"photo.png"_s, folder + u"/photo.png"_s, "png"};
}

// The picture decoded on its own, as the floor and the full figure take it: only its top-left
// `corner` (through the reader's clip rectangle) when that is given, otherwise all of it.
QImage decode(const Picture& picture, QSize corner = {}) {
    if (picture.format.isEmpty()) {
        QFile file(picture.path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return metafile::render(file.readAll(), picture.kind, corner);
    }
    QImageReader reader(picture.path, picture.format);
    reader.setAllocationLimit(512);
    if (corner.isValid())
        reader.setClipRect(QRect(QPoint(0, 0), corner));
    return reader.read();
}

// A pass over an EMF's records reading only each one's type and size, from the file: what
// any reader must do to find the records of a corner. The sum of the types keeps the reads.
quint64 recordPass(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    // Mapped, as the display reads a metafile.
    const qint64 length = file.size();
    const uchar* bytes = file.map(0, length);
    if (!bytes)
        return 0;
    quint64 types = 0;
    for (qint64 at = 0; at + 8 <= length;) {
        const quint32 type = qFromLittleEndian<quint32>(bytes + at);
        const quint32 size = qFromLittleEndian<quint32>(bytes + at + 4);
        if (size < 8)
            break;
        types += type;
        at += size;
    }
    return types;
}

template <typename Work> double medianOf(int count, Work&& work) {
    std::vector<double> samples;
    for (int i = 0; i < count; ++i)
        samples.push_back(measure::millisecondsOf(work));
    return measure::median(samples);
}

} // namespace

void writePicture(const std::string& name, int n, const QString& folder) {
    QDir().mkpath(folder);
    const Picture picture = pictureOf(name, folder);
    if (picture.format.isEmpty()) {
        QFile file(picture.path);
        const QByteArray bytes =
            picture.kind == metafile::Kind::Wmf ? formulaWmf(n) : largeEmf(qsizetype(n) * 1024 * 1024);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            throw std::runtime_error("cannot write the metafile");
        return;
    }
    if (!photo().save(picture.path, picture.format.constData(), picture.format == "jpeg" ? 90 : -1))
        throw std::runtime_error("cannot write the picture");
}

bool isPictureCase(const std::string& name) {
    return name == "show_picture_jpeg" || name == "show_picture_png" || name == "show_picture_emf" ||
           name == "show_picture_wmf";
}

measure::CaseReport showPicture(const std::string& name, int n, const QString& bank) {
    measure::CaseReport report;
    report.name = name;
    report.n = n;
    report.runs = runs;
    if (name == "show_picture_jpeg")
        report.target = "ms<60";
    if (name == "show_picture_emf")
        report.target = "ms<50";

    BenchPlatform os;
    platform::ScopedPlatform scope(os);
    TForm1 form;
    Form1 = &form;
    form.tikuPath = bank;
    form.OpenChosenBank();
    const Picture picture = pictureOf(name, form.tikuSql->GetMulu());
    if (!QFile::exists(picture.path))
        throw std::runtime_error("the picture was not generated");

    TTianjia editor(&form);
    editor.mainForm = &form;
    editor.show();
    QApplication::processEvents();
    QLabel* shown = editor.form()->Image1;
    report.startRssMb = measure::currentRssMb();

    report.ms = medianOf(runs, [&] {
        editor.imgName = picture.name;
        editor.ShowPicture();
        shown->repaint();
    });
    report.peakRssMb = measure::peakRssMb();
    if (!shown->isVisible() || shown->pixmap().size() != display)
        throw std::runtime_error("the display does not show the picture's corner");

    // The EMF's floor is reading its records' types and sizes; the other pictures' is decoding the
    // corner alone.
    if (name == "show_picture_emf") {
        report.floorMs = medianOf(runs, [&] {
            if (recordPass(picture.path) == 0)
                throw std::runtime_error("the metafile's records cannot be read");
        });
    } else {
        report.floorMs = medianOf(runs, [&] {
            if (decode(picture, display).size() != display)
                throw std::runtime_error("the corner alone cannot be decoded");
        });
    }
    // The whole picture is slow to decode: fewer runs suffice for a figure beside the others.
    report.fullMs = medianOf(3, [&] {
        if (decode(picture).isNull())
            throw std::runtime_error("the whole picture cannot be decoded");
    });

    editor.close();
    form.FormClose();
    Form1 = nullptr;
    return report;
}

} // namespace benchcases
