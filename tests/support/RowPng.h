#pragma once

// PNG files of any size, written a row at a time, so that no picture of that size is ever held. The
// suites that include this link libpng (PNG::PNG).
#include <QFile>
#include <QString>
#include <cstdio>
#include <functional>
#include <png.h>
#include <vector>

namespace rowpng {

struct Layout {
    quint32 width = 0;
    quint32 height = 0;
    int bitDepth = 8;
    int colourType = PNG_COLOR_TYPE_GRAY;
    bool interlaced = false;
};

// Fills row `y` (its bytes packed as the layout says); without one every row is zero.
using RowFiller = std::function<void(quint32 y, std::vector<png_byte>& row)>;

inline int channelsOf(int colourType) {
    switch (colourType) {
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        return 2;
    case PNG_COLOR_TYPE_RGB:
        return 3;
    case PNG_COLOR_TYPE_RGB_ALPHA:
        return 4;
    default:
        return 1;
    }
}

// Fast compression: the rows of these pictures repeat, and some are gigapixels.
inline bool write(const QString& path, const Layout& layout, const RowFiller& fill = {}) {
    FILE* out = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!out)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<png_byte> row(
        (size_t(layout.width) * size_t(channelsOf(layout.colourType)) * size_t(layout.bitDepth) + 7) / 8, 0);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(out);
        return false;
    }
    png_init_io(png, out);
    png_set_user_limits(png, 0x7fffffff, 0x7fffffff);
    png_set_compression_level(png, 1);
    png_set_IHDR(png, info, layout.width, layout.height, layout.bitDepth, layout.colourType,
                 layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const int passes = layout.interlaced ? png_set_interlace_handling(png) : 1;
    for (int pass = 0; pass < passes; ++pass)
        for (quint32 y = 0; y < layout.height; ++y) {
            if (fill)
                fill(y, row);
            png_write_row(png, row.data());
        }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return std::fclose(out) == 0;
}

} // namespace rowpng
