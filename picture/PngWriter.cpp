#include "picture/PngWriter.h"

#include <zlib.h>

#include <QColorSpace>
#include <QtEndian>
#include <algorithm>
#include <cstring>
#include <functional>
#include <new>
#include <thread>
#include <vector>

namespace {

static_assert(kFastPngStrategy == Z_RLE);

// Rows of less than this many bytes in all are not worth a thread of their own.
constexpr qsizetype kMinStripBytes = 256 * 1024;
// The picture data goes into IDAT chunks of at most this many bytes.
constexpr qsizetype kIdatBytes = 1 << 20;

enum ColourType : quint8 { Grey = 0, Rgb = 2, Palette = 3, RgbAlpha = 6 };

struct Layout {
    ColourType type = Rgb;
    int channels = 3;  // bytes a pixel
};

Layout LayoutOf(const QImage& picture) {
    switch (picture.format()) {
        case QImage::Format_Grayscale8:
            return {Grey, 1};
        case QImage::Format_Indexed8:
            return {Palette, 1};
        case QImage::Format_ARGB32:
            return {RgbAlpha, 4};
        default:
            return {Rgb, 3};
    }
}

void PutChunk(QByteArray& out, const char* type, const QByteArray& data) {
    char length[4];
    qToBigEndian<quint32>(quint32(data.size()), length);
    out.append(length, 4);
    const qsizetype typeAt = out.size();
    out.append(type, 4);
    out.append(data);
    const uLong crc =
        crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(out.constData() + typeAt),
              uInt(data.size() + 4));
    char crcBytes[4];
    qToBigEndian<quint32>(quint32(crc), crcBytes);
    out.append(crcBytes, 4);
}

QByteArray Header(const QImage& picture, Layout layout) {
    QByteArray data(13, '\0');
    qToBigEndian<quint32>(quint32(picture.width()), data.data());
    qToBigEndian<quint32>(quint32(picture.height()), data.data() + 4);
    data[8] = 8;  // bits a sample
    data[9] = char(layout.type);
    return data;  // compression, filter and interlace methods 0
}

QByteArray Resolution(const QImage& picture) {
    QByteArray data(9, '\0');
    qToBigEndian<quint32>(quint32(picture.dotsPerMeterX()), data.data());
    qToBigEndian<quint32>(quint32(picture.dotsPerMeterY()), data.data() + 4);
    data[8] = 1;  // the unit is the metre
    return data;
}

// The palette and, when some colour is not opaque, the alpha of every colour up to the last such.
void PutPalette(QByteArray& out, const QImage& picture) {
    const QList<QRgb> colours = picture.colorTable();
    QByteArray palette, alpha;
    qsizetype lastTranslucent = -1;
    for (qsizetype i = 0; i < colours.size(); ++i) {
        palette += char(qRed(colours[i]));
        palette += char(qGreen(colours[i]));
        palette += char(qBlue(colours[i]));
        alpha += char(qAlpha(colours[i]));
        if (qAlpha(colours[i]) != 255) lastTranslucent = i;
    }
    PutChunk(out, "PLTE", palette);
    if (lastTranslucent >= 0) PutChunk(out, "tRNS", alpha.left(lastTranslucent + 1));
}

// One row of the picture as the PNG stores it, before filtering.
void RawRow(const QImage& picture, Layout layout, int y, quint8* out) {
    const uchar* line = picture.constScanLine(y);
    const int width = picture.width();
    if (layout.channels == 1) {
        std::memcpy(out, line, size_t(width));
        return;
    }
    const auto* pixels = reinterpret_cast<const QRgb*>(line);
    if (layout.channels == 3) {
        for (int x = 0; x < width; ++x, out += 3) {
            out[0] = quint8(qRed(pixels[x]));
            out[1] = quint8(qGreen(pixels[x]));
            out[2] = quint8(qBlue(pixels[x]));
        }
    } else {
        for (int x = 0; x < width; ++x, out += 4) {
            out[0] = quint8(qRed(pixels[x]));
            out[1] = quint8(qGreen(pixels[x]));
            out[2] = quint8(qBlue(pixels[x]));
            out[3] = quint8(qAlpha(pixels[x]));
        }
    }
}

// The filtered row: its filter type byte, then the bytes. The first row of the picture has no
// row above, where Paeth is the same as Sub; it says Sub. The Paeth predictor is written without
// branches so that the compiler can do many bytes at once.
void FilterRow(const quint8* row, const quint8* above, int bytes, int bpp, quint8* out) {
    if (!above) {
        out[0] = 1;  // Sub
        for (int i = 0; i < bytes; ++i) out[1 + i] = quint8(row[i] - (i >= bpp ? row[i - bpp] : 0));
        return;
    }
    out[0] = 4;  // Paeth
    for (int i = 0; i < bpp && i < bytes; ++i) out[1 + i] = quint8(row[i] - above[i]);
    for (int i = bpp; i < bytes; ++i) {
        const int a = row[i - bpp], b = above[i], c = above[i - bpp];
        const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
        const int predicted = (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
        out[1 + i] = quint8(row[i] - predicted);
    }
}

// One strip of rows, compressed as a raw deflate stream that ends on a byte boundary (or, for the
// last strip, with the final block), and the Adler-32 checksum of its uncompressed bytes.
struct Strip {
    int firstRow = 0;
    int rows = 0;
    bool last = false;
    QByteArray deflated;
    uLong adler = 1;
    qsizetype rawBytes = 0;
    bool failed = false;
};

void CompressStrip(const QImage& picture, Layout layout, Strip& strip) {
    const int rowBytes = picture.width() * layout.channels;
    std::vector<quint8> above(static_cast<size_t>(rowBytes)), row(static_cast<size_t>(rowBytes)),
        filtered(static_cast<size_t>(rowBytes) + 1);
    z_stream z{};
    if (deflateInit2(&z, kFastPngLevel, Z_DEFLATED, -15, 8, kFastPngStrategy) != Z_OK) {
        strip.failed = true;
        return;
    }
    strip.deflated.resize(qsizetype(deflateBound(&z, uLong(filtered.size()) * uLong(strip.rows))) +
                          64);
    z.next_out = reinterpret_cast<Bytef*>(strip.deflated.data());
    z.avail_out = uInt(strip.deflated.size());
    if (strip.firstRow > 0) RawRow(picture, layout, strip.firstRow - 1, above.data());
    uLong adler = adler32(0, nullptr, 0);
    for (int y = strip.firstRow; y < strip.firstRow + strip.rows; ++y) {
        RawRow(picture, layout, y, row.data());
        FilterRow(row.data(), y > 0 ? above.data() : nullptr, rowBytes, layout.channels,
                  filtered.data());
        adler = adler32(adler, filtered.data(), uInt(filtered.size()));
        z.next_in = filtered.data();
        z.avail_in = uInt(filtered.size());
        const bool end = y + 1 == strip.firstRow + strip.rows;
        const int flush = !end ? Z_NO_FLUSH : (strip.last ? Z_FINISH : Z_SYNC_FLUSH);
        const int status = deflate(&z, flush);
        if (status == Z_STREAM_ERROR || z.avail_in != 0 ||
            (flush == Z_FINISH && status != Z_STREAM_END)) {
            strip.failed = true;
            break;
        }
        std::swap(above, row);
    }
    strip.deflated.resize(qsizetype(z.total_out));
    strip.adler = adler;
    strip.rawBytes = qsizetype(filtered.size()) * strip.rows;
    deflateEnd(&z);
}

int StripCount(const QImage& picture, Layout layout, int strips) {
    if (strips <= 0) strips = int(std::max(1u, std::thread::hardware_concurrency()));
    const qsizetype bytes = qsizetype(picture.width()) * layout.channels * picture.height();
    const qsizetype worth = std::max<qsizetype>(1, bytes / kMinStripBytes);
    return int(std::min<qsizetype>({qsizetype(strips), worth, qsizetype(picture.height())}));
}

// The zlib stream of the filtered rows: header, the strips' deflate data joined, the checksum.
QByteArray PictureData(const QImage& picture, Layout layout, int stripCount) {
    std::vector<Strip> strips(static_cast<size_t>(stripCount));
    const int height = picture.height();
    for (int i = 0; i < stripCount; ++i) {
        strips[size_t(i)].firstRow = int(qint64(height) * i / stripCount);
        strips[size_t(i)].rows =
            int(qint64(height) * (i + 1) / stripCount) - strips[size_t(i)].firstRow;
        strips[size_t(i)].last = i + 1 == stripCount;
    }
    std::vector<std::thread> helpers;
    for (size_t i = 1; i < strips.size(); ++i) {
        try {
            helpers.emplace_back([&, i] { CompressStrip(picture, layout, strips[i]); });
        } catch (...) {
            break;  // the strips that got no thread are done on this one
        }
    }
    CompressStrip(picture, layout, strips[0]);
    for (size_t i = helpers.size() + 1; i < strips.size(); ++i)
        CompressStrip(picture, layout, strips[i]);
    for (std::thread& helper : helpers) helper.join();

    QByteArray data("\x78\x01", 2);  // deflate, 32 KB window, the fastest level
    uLong adler = adler32(0, nullptr, 0);
    for (const Strip& strip : strips) {
        if (strip.failed) return {};
        data += strip.deflated;
        adler = adler32_combine(adler, strip.adler, z_off_t(strip.rawBytes));
    }
    char check[4];
    qToBigEndian<quint32>(quint32(adler), check);
    data.append(check, 4);
    return data;
}

}  // namespace

bool FastPngTakes(const QImage& picture) {
    return FastPngTakesPixels(picture) && picture.textKeys().isEmpty() &&
           !picture.colorSpace().isValid() && picture.offset().isNull();
}

bool FastPngTakesPixels(const QImage& picture) {
    switch (picture.format()) {
        case QImage::Format_RGB32:
        case QImage::Format_ARGB32:
        case QImage::Format_Grayscale8:
            break;
        case QImage::Format_Indexed8:
            // Qt writes a palette that is exactly the grey ramp as grey pixels.
            if (picture.isGrayscale() || picture.colorCount() == 0 || picture.colorCount() > 256)
                return false;
            break;
        default:
            return false;
    }
    return !picture.isNull();
}

QByteArray EncodeFastPng(const QImage& picture, int strips) {
    try {
        const Layout layout = LayoutOf(picture);
        const QByteArray data = PictureData(picture, layout, StripCount(picture, layout, strips));
        if (data.isEmpty()) return {};
        QByteArray out("\x89PNG\r\n\x1a\n", 8);
        out.reserve(data.size() + 1024);
        PutChunk(out, "IHDR", Header(picture, layout));
        if (layout.type == Palette) PutPalette(out, picture);
        if (picture.dotsPerMeterX() > 0 || picture.dotsPerMeterY() > 0)
            PutChunk(out, "pHYs", Resolution(picture));
        for (qsizetype at = 0; at < data.size(); at += kIdatBytes)
            PutChunk(out, "IDAT", data.mid(at, kIdatBytes));
        PutChunk(out, "IEND", {});
        return out;
    } catch (const std::bad_alloc&) {
        return {};
    }
}
