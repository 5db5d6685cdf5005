#pragma once
#include <QImage>
#include <QList>
#include <QRgb>
#include <cstdint>
#include <vector>

// Reduction of a true-colour picture to an indexed one of at most `maxColours` colours.
struct IndexedPicture {
    QList<QRgb> palette;           // 1..maxColours entries
    std::vector<uint8_t> indices;  // width * height, row by row
    int width = 0;
    int height = 0;
};

// A picture with no more distinct colours than `maxColours` keeps them exactly. Otherwise the
// palette is computed from the picture by median cut and every pixel is mapped to its nearest
// palette colour, with ordered (8x8 Bayer) dithering when `dither` is set.
IndexedPicture ReduceColours(const QImage& picture, int maxColours, bool dither);
