#pragma once

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QString>
#include <uemf.h>
#include <uwmf.h>

// Test and benchmark pictures written with libuemf's record builders: EMF and WMF files made in
// memory, one record at a time. Records come from libuemf's U_EMR*_set / U_WMR*_set functions
// (`add` takes each over); the helpers cover what tests write again and again.

// A BITMAPINFO and its rows in the file layout: bottom-up, rows padded to four bytes. 1, 4 and 8
// bits take a palette of the image's colours (at most 2^bits of them); 24 and 32 bits none.
struct DibParts {
    QByteArray info;
    QByteArray bits;
    const U_BITMAPINFO* bitmapInfo() const { return reinterpret_cast<const U_BITMAPINFO*>(info.constData()); }
};
DibParts makeDib(const QImage& image, int bitCount);

class EmfWriter {
public:
    // A picture of `width` × `height` pixels at 96 DPI: a 96-DPI reference device and a frame
    // covering the picture, so one device unit is one pixel of the rendered image.
    EmfWriter(int width, int height);
    // A header with exactly these fields.
    EmfWriter(U_RECTL bounds, U_RECTL frame, U_SIZEL device, U_SIZEL millimetres);
    ~EmfWriter();
    EmfWriter(const EmfWriter&) = delete;
    EmfWriter& operator=(const EmfWriter&) = delete;

    EmfWriter& add(char* record);
    // Creating an object and selecting it.
    EmfWriter& pen(quint32 style, int width, QRgb colour);
    EmfWriter& brush(QRgb colour, quint32 style = U_BS_SOLID, quint32 hatch = 0);
    EmfWriter& font(int height, const QString& face = QStringLiteral("DejaVu Sans"), int weight = 400);
    // SELECTOBJECT of a stock object (U_NULL_PEN, U_WHITE_BRUSH, ...).
    EmfWriter& stock(quint32 object);
    // The GDI rectangle from (left, top) to (right, bottom).
    EmfWriter& rectangle(int left, int top, int right, int bottom);
    EmfWriter& text(int x, int y, const QString& text);
    // STRETCHDIBITS of the whole image onto `target`.
    EmfWriter& stretchDib(const QRect& target, const QImage& image, int bitCount);

    // The file, with its EOF record and the header's counts filled in.
    QByteArray finish();

    EMFHANDLES* handles() { return handles_; }
    // Bytes written so far.
    qsizetype size() const { return qsizetype(track_->used); }

private:
    EMFTRACK* track_ = nullptr;
    EMFHANDLES* handles_ = nullptr;
};

class WmfWriter {
public:
    // With a placeable header: a picture of `width` × `height` pixels at 96 DPI in which
    // `unitsPerInch` logical units make an inch. Choose sizes whose inches are exact in binary.
    WmfWriter(int width, int height, int unitsPerInch = 96);
    // Without a placeable header: the file takes its size from a SETWINDOWEXT record.
    WmfWriter();
    ~WmfWriter();
    WmfWriter(const WmfWriter&) = delete;
    WmfWriter& operator=(const WmfWriter&) = delete;

    WmfWriter& add(char* record);
    WmfWriter& pen(quint16 style, int width, QRgb colour);
    WmfWriter& brush(QRgb colour, quint16 style = U_BS_SOLID, quint16 hatch = 0);
    WmfWriter& font(int height, const QByteArray& face = "DejaVu Sans", quint8 charset = 0);
    // The GDI rectangle from (left, top) to (right, bottom).
    WmfWriter& rectangle(int left, int top, int right, int bottom);

    QByteArray finish();

private:
    void start(U_PAIRF* inches, unsigned dpi);
    WMFTRACK* track_ = nullptr;
    WMFHANDLES* handles_ = nullptr;
};

// colours as COLORREF.
U_COLORREF colorRefOf(QRgb colour);

// An EMF of about `approxBytes` bytes (at least a few hundred) with many drawing records of every
// common kind: pens, brushes and fonts made and selected, rectangles, ellipses, 16- and 32-bit
// polygons, polylines and text, spread over a 4000 × 3000 picture.
QByteArray largeEmf(qsizetype approxBytes);

// A formula picture as equation editors write them: a placeable WMF 384 pixels wide of `lines` lines
// (24 pixels each), each three formulas of a run of
// Times New Roman letters and a run of Symbol signs placed character by character (advances), with
// TA_UPDATECP positions and fraction bars.
QByteArray formulaWmf(int lines);
