#pragma once
#include <QBuffer>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QList>
#include <QString>
#include <QtEndian>
#include <cmath>

// The bad-picture corpus: awkward, damaged and hostile picture files, made in a folder at test
// time (only cmyk.jpg, which Qt cannot write, is a file in tests/pictures).
namespace BadPictures {

struct Case {
    QString name;     // file name in the corpus folder
    bool opens;       // the program works on it
    QSize size;       // upright size when it opens
    QString problem;  // part of the refusal text when it does not
};

// A photo-like picture with gradients and detail.
inline QImage Photo(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = qRgb((x * 255) / width, (y * 255) / height,
                           128 + int(100 * std::sin(x / 7.0) * std::cos(y / 5.0)));
    }
    return image;
}

inline QByteArray Encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(image)) qFatal("cannot encode a %s test picture", format);
    return bytes;
}

inline quint32 Crc32(const QByteArray& data) {
    quint32 crc = 0xFFFFFFFFu;
    for (char c : data) {
        crc ^= static_cast<unsigned char>(c);
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

inline QByteArray Be32(quint32 v) {
    QByteArray b(4, '\0');
    qToBigEndian(v, b.data());
    return b;
}
inline QByteArray Le16(quint16 v) {
    QByteArray b(2, '\0');
    qToLittleEndian(v, b.data());
    return b;
}
inline QByteArray Le32(quint32 v) {
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

inline QByteArray PngChunk(const char* type, const QByteArray& data) {
    const QByteArray body = QByteArray(type) + data;
    return Be32(quint32(data.size())) + body + Be32(Crc32(body));
}

// A PNG announcing width x height with a few bytes of pixel data.
inline QByteArray PngHeaderOnly(quint32 width, quint32 height) {
    QByteArray ihdr = Be32(width) + Be32(height);
    ihdr += QByteArray("\x08\x02\x00\x00\x00", 5);                     // 8-bit RGB
    const QByteArray idat = qCompress(QByteArray(4096, '\0')).mid(4);  // a zlib stream
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + PngChunk("IHDR", ihdr) + PngChunk("IDAT", idat) +
           PngChunk("IEND", QByteArray());
}

inline QByteArray BmpHeaderOnly(qint32 width, qint32 height) {
    QByteArray info = Le32(40) + Le32(quint32(width)) + Le32(quint32(height)) + Le16(1) + Le16(24) +
                      Le32(0) + Le32(0) + Le32(2835) + Le32(2835) + Le32(0) + Le32(0);
    return QByteArray("BM") + Le32(14 + 40 + 64) + Le32(0) + Le32(14 + 40) + info +
           QByteArray(64, '\x55');
}

// A JPEG whose frame header says width x height (the scan still holds the small picture).
inline QByteArray JpegClaiming(const QByteArray& jpeg, quint16 width, quint16 height) {
    QByteArray patched = jpeg;
    const qsizetype sof = patched.indexOf(QByteArray("\xFF\xC0", 2));
    if (sof < 0) qFatal("no frame header in the test JPEG");
    patched[sof + 5] = char(height >> 8);
    patched[sof + 6] = char(height & 0xFF);
    patched[sof + 7] = char(width >> 8);
    patched[sof + 8] = char(width & 0xFF);
    return patched;
}

// An EXIF block (APP1) saying the stored picture must be turned: 6 = a quarter turn clockwise.
inline QByteArray WithExifOrientation(const QByteArray& jpeg, quint16 orientation) {
    QByteArray tiff("MM\x00\x2A\x00\x00\x00\x08", 8);
    tiff += QByteArray("\x00\x01", 2);                          // one entry
    tiff += QByteArray("\x01\x12\x00\x03\x00\x00\x00\x01", 8);  // orientation, SHORT, 1
    tiff += char(orientation >> 8);
    tiff += char(orientation & 0xFF);
    tiff += QByteArray("\x00\x00\x00\x00\x00\x00", 6);  // padding, no next IFD
    const QByteArray body = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray app1("\xFF\xE1", 2);
    app1 += char((body.size() + 2) >> 8);
    app1 += char((body.size() + 2) & 0xFF);
    return jpeg.left(2) + app1 + body + jpeg.mid(2);
}

// GIF image data for 8-bit indices without compression: 9-bit codes, a clear code every
// 200 codes so the code size never grows.
inline QByteArray GifPixelData(const QList<uchar>& indices) {
    QByteArray packed;
    quint32 bits = 0;
    int count = 0;
    auto put = [&](int code) {
        bits |= quint32(code) << count;
        count += 9;
        while (count >= 8) {
            packed += char(bits & 0xFF);
            bits >>= 8;
            count -= 8;
        }
    };
    for (qsizetype i = 0; i < indices.size(); ++i) {
        if (i % 200 == 0) put(256);
        put(indices[i]);
    }
    put(257);
    if (count > 0) packed += char(bits & 0xFF);
    QByteArray out(1, '\x08');
    for (qsizetype i = 0; i < packed.size(); i += 255) {
        const QByteArray block = packed.mid(i, 255);
        out += char(block.size());
        out += block;
    }
    out += '\0';
    return out;
}

// A GIF of `frames` frames of width x height, with a 256-grey palette; frame f is a ramp
// shifted by 40 f. `screen` overrides the announced size.
inline QByteArray Gif(int width, int height, int frames, QSize screen = QSize()) {
    if (!screen.isValid()) screen = QSize(width, height);
    QByteArray gif("GIF89a");
    gif += Le16(quint16(screen.width())) + Le16(quint16(screen.height()));
    gif += QByteArray("\xF7\x00\x00", 3);
    for (int i = 0; i < 256; ++i) gif += QByteArray(3, char(i));
    if (frames > 1) gif += QByteArray("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19);
    for (int f = 0; f < frames; ++f) {
        gif += QByteArray("\x21\xF9\x04\x04\x0A\x00\x00\x00", 8);  // 1/10 s, keep the frame
        gif += QByteArray("\x2C\x00\x00\x00\x00", 5) + Le16(quint16(width)) +
               Le16(quint16(height)) + '\0';
        QList<uchar> indices;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) indices << uchar((x * 4 + y + 40 * f) & 0xFF);
        gif += GifPixelData(indices);
    }
    gif += ';';
    return gif;
}

inline void Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// A picture with an alpha channel: opaque left half, see-through right half.
inline QImage HalfTransparent(int width, int height) {
    QImage image = Photo(width, height).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = width / 2; x < width; ++x) image.setPixel(x, y, qRgba(0, 0, 200, 0));
    return image;
}

// The stored picture of the EXIF case: 40 x 20, red left half, blue right half; shown upright
// (a quarter turn clockwise) it is 20 x 40, red above blue.
inline QImage SidewaysPicture() {
    QImage image(40, 20, QImage::Format_RGB32);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x)
            image.setPixel(x, y, x < 20 ? qRgb(220, 0, 0) : qRgb(0, 0, 220));
    return image;
}

// Makes every case in `folder` and lists them. The 64-megapixel photo is separate (Huge()).
inline QList<Case> Make(const QString& folder) {
    const QDir dir(folder);
    const QImage photo = Photo(160, 120);
    const QByteArray jpeg = Encoded(photo, "jpeg");
    const QByteArray png = Encoded(photo, "png");
    const QByteArray bmp = Encoded(photo, "bmp");
    const QByteArray gif = Gif(160, 120, 1);
    QImage grey = photo.convertToFormat(QImage::Format_Grayscale8);
    QImage palette = photo.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    QImage deep = photo.convertToFormat(QImage::Format_RGBX64);

    const QString damaged = QStringLiteral("damaged or incomplete");
    const QString notPicture = QStringLiteral("not a picture");
    const QString tooLarge = QStringLiteral("60000 x 60000 pixels");
    const QList<std::pair<Case, QByteArray>> files = {
        {{"empty.jpg", false, {}, QStringLiteral("the file is empty")}, QByteArray()},
        {{"truncated.jpg", false, {}, damaged}, jpeg.left(jpeg.size() / 2)},
        {{"truncated.gif", false, {}, damaged}, gif.left(gif.size() / 2)},
        {{"truncated.bmp", false, {}, damaged}, bmp.left(bmp.size() / 2)},
        {{"truncated.png", false, {}, damaged}, png.left(png.size() / 2)},
        {{"text.jpg", false, {}, notPicture},
         QByteArray("These are my holiday notes, not a photo.\n")},
        {{"jpeg-named.gif", true, {160, 120}, {}}, jpeg},
        {{"one-pixel.bmp", true, {1, 1}, {}}, Encoded(Photo(1, 1), "bmp")},
        {{"one-pixel.jpg", true, {1, 1}, {}}, Encoded(Photo(1, 1), "jpeg")},
        {{"bomb.png", false, {}, tooLarge}, PngHeaderOnly(60000, 60000)},
        {{"bomb.bmp", false, {}, tooLarge}, BmpHeaderOnly(60000, 60000)},
        {{"bomb.gif", false, {}, tooLarge}, Gif(16, 16, 1, QSize(60000, 60000))},
        {{"bomb.jpg", false, {}, tooLarge}, JpegClaiming(jpeg, 60000, 60000)},
        {{"animated.gif", true, {160, 120}, {}}, Gif(160, 120, 3)},
        {{"plain.gif", true, {160, 120}, {}}, gif},
        {{"sixteen-bit.png", true, {160, 120}, {}}, Encoded(deep, "png")},
        {{"grey.png", true, {160, 120}, {}}, Encoded(grey, "png")},
        {{"grey.jpg", true, {160, 120}, {}}, Encoded(grey, "jpeg")},
        {{"palette.png", true, {160, 120}, {}}, Encoded(palette, "png")},
        {{"palette.bmp", true, {160, 120}, {}}, Encoded(palette, "bmp")},
        {{"alpha.png", true, {160, 120}, {}}, Encoded(HalfTransparent(160, 120), "png")},
        {{"exif-rotated.jpg", true, {20, 40}, {}},
         WithExifOrientation(Encoded(SidewaysPicture(), "jpeg"), 6)},
    };
    QList<Case> cases;
    for (const auto& [c, bytes] : files) {
        Write(dir.filePath(c.name), bytes);
        cases << c;
    }
    const QString cmyk =
        qEnvironmentVariable("BRISVANE_SOURCE_DIR") + QStringLiteral("/tests/pictures/cmyk.jpg");
    if (!QFile::copy(cmyk, dir.filePath(QStringLiteral("cmyk.jpg"))))
        qFatal("cannot copy %s", qPrintable(cmyk));
    cases << Case{QStringLiteral("cmyk.jpg"), true, {32, 24}, {}};
    return cases;
}

// A 64-megapixel photo (9248 x 6944) as a JPEG in `folder`; its path.
inline QString Huge(const QString& folder) {
    const QString path = QDir(folder).filePath(QStringLiteral("huge-64mp.jpg"));
    Write(path, Encoded(Photo(9248, 6944), "jpeg"));
    return path;
}

}  // namespace BadPictures
