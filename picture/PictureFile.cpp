#include "picture/PictureFile.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <memory>

#include "inpaint/LargeMemory.h"
#include "picture/FileNames.h"

namespace {

// Enough for the largest picture at 8 bytes a pixel (16-bit PNGs decode that wide).
int AllocationLimitMb(qint64 maxPixels) {
    return int(maxPixels * 8 / (1024 * 1024)) + 1;
}

PictureRead Refused(const QString& problem) {
    return {QImage(), problem};
}

QString SizeText(QSize size) {
    return QStringLiteral("%1 x %2").arg(size.width()).arg(size.height());
}

// The formats the program works on; anything else Qt happens to read is refused.
bool KnownFormat(const QByteArray& format) {
    for (const char* known : {"bmp", "jpeg", "gif", "png", "pbm", "pgm", "ppm"})
        if (format == known) return true;
    return false;
}

bool TooLarge(QSize size, qint64 maxPixels) {
    return qint64(size.width()) * qint64(size.height()) > maxPixels;
}

QString TooLargeText(QSize size, qint64 maxPixels) {
    return QStringLiteral("it is %1 pixels; pictures of up to %2 million pixels can be opened")
        .arg(SizeText(size))
        .arg(double(maxPixels) / 1e6);
}

int Byte(const QByteArray& data, qsizetype i) {
    return static_cast<unsigned char>(data[i]);
}

// Walks a chain of GIF data sub-blocks from `i`; the index after its terminator, or -1.
qsizetype SkipSubBlocks(const QByteArray& data, qsizetype i) {
    while (i < data.size()) {
        const int length = Byte(data, i);
        if (length == 0) return i + 1;
        i += 1 + length;
    }
    return -1;
}

qint64 Le16(const QByteArray& data, qsizetype i) {
    return Byte(data, i) | (Byte(data, i + 1) << 8);
}
qint64 Le32(const QByteArray& data, qsizetype i) {
    return qint32(quint32(Le16(data, i)) | (quint32(Le16(data, i + 2)) << 16));
}

// The size a BMP or GIF header announces, for the check before decoding (Qt does not tell it
// for every such file); invalid when the header is too short.
QSize AnnouncedSize(const QByteArray& data, const QByteArray& format) {
    if (format == "bmp" && data.size() >= 26) {
        if (Le32(data, 14) == 12) return QSize(int(Le16(data, 18)), int(Le16(data, 20)));
        return QSize(int(qMin<qint64>(qAbs(Le32(data, 18)), 1 << 30)),
                     int(qMin<qint64>(qAbs(Le32(data, 22)), 1 << 30)));
    }
    if (format == "gif" && data.size() >= 10) return QSize(int(Le16(data, 6)), int(Le16(data, 8)));
    return {};
}

}  // namespace

bool JpegDataIsComplete(const QByteArray& data) {
    if (data.size() < 4 || Byte(data, 0) != 0xFF || Byte(data, 1) != 0xD8) return false;
    qsizetype i = 2;
    while (i + 1 < data.size()) {
        if (Byte(data, i) != 0xFF) return false;
        const int marker = Byte(data, i + 1);
        if (marker == 0xFF) {  // fill byte
            ++i;
            continue;
        }
        if (marker == 0xD9) return false;  // ends before any scan
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            i += 2;
            continue;
        }
        if (i + 3 >= data.size()) return false;
        const qsizetype length = (Byte(data, i + 2) << 8) | Byte(data, i + 3);
        if (length < 2) return false;
        if (marker == 0xDA)  // the first scan: entropy-coded data never holds FF D9 until the end
            return data.indexOf(QByteArrayLiteral("\xFF\xD9"), i + 2 + length) >= 0;
        i += 2 + length;
    }
    return false;
}

int JpegScanCount(const QByteArray& data) {
    // Entropy-coded data escapes every FF byte, so each FF DA is a scan header.
    return int(qMin<qsizetype>(data.count(QByteArrayLiteral("\xFF\xDA")), 1 << 30));
}

bool BmpDataIsComplete(const QByteArray& data) {
    if (data.size() < 26 || !data.startsWith("BM")) return false;
    const qint64 offset = Le32(data, 10);
    const quint32 headerSize = quint32(Le32(data, 14));
    qint64 width = 0, height = 0, bits = 0, compression = 0;
    if (headerSize == 12) {
        width = Le16(data, 18);
        height = Le16(data, 20);
        bits = Le16(data, 24);
    } else {
        if (data.size() < 34) return false;
        width = Le32(data, 18);
        height = Le32(data, 22);
        bits = Le16(data, 28);
        compression = Le32(data, 30);
    }
    if (compression != 0 && compression != 3) return true;  // run-length data has no fixed size
    if (width < 0 || width > (1 << 24) || qAbs(height) > (1 << 24) || bits > 64 || offset < 0)
        return false;
    const qint64 stride = (width * bits + 31) / 32 * 4;
    return offset + stride * qAbs(height) <= data.size();
}

bool GifDataIsComplete(const QByteArray& data) {
    if (data.size() < 13 || !data.startsWith("GIF")) return false;
    const int screenFlags = Byte(data, 10);
    qsizetype i = 13;
    if (screenFlags & 0x80) i += 3 * (qsizetype(1) << ((screenFlags & 7) + 1));
    while (i >= 0 && i < data.size()) {
        switch (Byte(data, i)) {
            case 0x3B:
                return true;  // trailer
            case 0x21:        // extension: label, then sub-blocks
                i = SkipSubBlocks(data, i + 2);
                break;
            case 0x2C: {  // image: descriptor, local colour table, code size, sub-blocks
                if (i + 10 > data.size()) return false;
                const int flags = Byte(data, i + 9);
                i += 10;
                if (flags & 0x80) i += 3 * (qsizetype(1) << ((flags & 7) + 1));
                i = SkipSubBlocks(data, i + 1);
                break;
            }
            default:
                return false;
        }
    }
    return false;
}

// An image of the size and format the reader announces, in large-page memory, for the readers
// that write every pixel of an image of that size and format they are handed (and replace any
// other); a null image where the reader makes its own.
QImage ImageToReadInto(const QImageReader& reader, const QByteArray& format) {
    const QSize size = reader.size();
    const QImage::Format pixels = reader.imageFormat();
    const int depth = QImage::toPixelFormat(pixels).bitsPerPixel();
    const bool fillsWhole =
        format == "jpeg" || format == "png" || format == "ppm" || format == "pgm";
    if (!fillsWhole || size.isEmpty() || depth < 8 || pixels == QImage::Format_Indexed8) return {};
    const qsizetype rowBytes = (qsizetype(size.width()) * depth + 31) / 32 * 4;
    try {
        void* block = inpaint::AllocateLarge(std::size_t(rowBytes) * std::size_t(size.height()));
        return QImage(static_cast<uchar*>(block), size.width(), size.height(), rowBytes, pixels,
                      inpaint::FreeLarge, block);
    } catch (const std::bad_alloc&) {
        return {};  // the reader tries on its own and says why it cannot
    }
}

PictureRead DecodePicture(const QByteArray& data, qint64 maxPixels) {
    if (data.isEmpty()) return Refused(QStringLiteral("the file is empty"));
    QImageReader::setAllocationLimit(AllocationLimitMb(maxPixels));
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);  // the format follows the content: a JPEG named .gif is a JPEG
    reader.setAutoTransform(true);
    const QByteArray format = reader.canRead() ? reader.format() : QByteArray();
    if (!KnownFormat(format))
        return Refused(QStringLiteral("it is not a picture this program can read"));
    for (const QSize announced : {reader.size(), AnnouncedSize(data, format)})
        if (announced.isValid() && TooLarge(announced, maxPixels))
            return Refused(TooLargeText(announced, maxPixels));

    if (format == "jpeg" && JpegScanCount(data) > MaxJpegScans)
        return Refused(
            QStringLiteral("it is a JPEG of %1 scans; pictures of up to %2 scans can be opened")
                .arg(JpegScanCount(data))
                .arg(MaxJpegScans));

    QImage image = ImageToReadInto(reader, format);
    if (!reader.read(&image) || image.isNull())
        return Refused(
            QStringLiteral("it is damaged or incomplete (%1)").arg(reader.errorString()));
    if (TooLarge(image.size(), maxPixels)) return Refused(TooLargeText(image.size(), maxPixels));
    if ((format == "jpeg" && !JpegDataIsComplete(data)) ||
        (format == "gif" && !GifDataIsComplete(data)) ||
        (format == "bmp" && !BmpDataIsComplete(data)))
        return Refused(QStringLiteral("it is damaged or incomplete (the file ends too early)"));
    return {image, QString(), reader.transformation()};
}

PictureRead ReadPicture(const QString& path) {
    const FileFacts info = FactsOf(path);
    if (!info.exists)
        return Refused(
            path.contains(QChar::ReplacementCharacter)
                ? QStringLiteral(
                      "its name holds bytes that are not text in this system's encoding; "
                      "please rename the file")
                : QStringLiteral("the file does not exist"));
    if (!info.isFile) return Refused(QStringLiteral("it is not a file"));
    if (info.size == 0) return Refused(QStringLiteral("the file is empty"));
    if (info.size > MaxPictureFileBytes)
        return Refused(
            QStringLiteral("the file is %1 MB; picture files of up to %2 MB can be opened")
                .arg(info.size >> 20)
                .arg(MaxPictureFileBytes >> 20));
    QFile file;
    const QString openError = OpenToRead(file, path);
    if (!openError.isEmpty())
        return Refused(QStringLiteral("the file cannot be opened (%1)").arg(openError));
    // The bytes go to large-page memory too: a 12-megapixel PPM file is 36 MB.
    std::unique_ptr<char, decltype(&inpaint::FreeLarge)> bytes(nullptr, inpaint::FreeLarge);
    try {
        bytes.reset(static_cast<char*>(inpaint::AllocateLarge(std::size_t(info.size))));
    } catch (const std::bad_alloc&) {
        return Refused(QStringLiteral("there is not enough memory to read it"));
    }
    char more = 0;
    if (file.read(bytes.get(), info.size) != info.size || file.read(&more, 1) != 0)
        return Refused(QStringLiteral("the file cannot be read to its end"));
    return DecodePicture(QByteArray::fromRawData(bytes.get(), info.size));
}

QStringList ContentLostByReplacing(const QString& path) {
    QFile file;
    if (!FactsOf(path).isFile || !OpenToRead(file, path).isEmpty()) return {};
    QImageReader reader(&file);  // the format follows the content
    if (!reader.canRead() || reader.format() == "jpeg") return {};  // JPEG: one frame, opaque
    QStringList lost;
    const int frames = reader.imageCount();
    if (frames > 1)
        lost << (frames == 2 ? QStringLiteral("its second animation frame")
                             : QStringLiteral("its %1 later animation frames").arg(frames - 1));
    const QSize size = reader.size();
    if (size.isValid() && TooLarge(size, MaxPicturePixels)) return lost;
    const QImage first = reader.read();
    if (first.hasAlphaChannel()) {
        const QImage argb = first.convertToFormat(QImage::Format_ARGB32);
        bool transparent = false;
        for (int y = 0; y < argb.height() && !transparent; ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
            for (int x = 0; x < argb.width(); ++x)
                if (qAlpha(line[x]) < 255) {
                    transparent = true;
                    break;
                }
        }
        if (transparent) lost << QStringLiteral("its transparency");
    }
    return lost;
}
