#include "picture/PictureWriter.h"

#include <QFileDevice>
#include <QImageWriter>
#include <algorithm>

#include "picture/GifFile.h"
#include "picture/JpegFile.h"
#include "picture/Palette.h"
#include "picture/PngWriter.h"
#include "picture/SaveFile.h"

namespace {

constexpr int kGifMaxSide = 65535;

QString Failed(bool written, const QString& error) {
    return written ? QString() : error;
}

QString WriteGifPicture(const QImage& picture, const WriteOptions& options, QIODevice& device) {
    if (picture.width() > kGifMaxSide || picture.height() > kGifMaxSide)
        return QStringLiteral("the picture is too large for GIF");
    const int colours = options.colours ? options.colours : 256;
    QString error;
    return Failed(WriteGif(ReduceColours(picture, colours, options.dither), device, error), error);
}

QImage IndexedImage(const QImage& picture, const WriteOptions& options) {
    const IndexedPicture reduced = ReduceColours(picture, options.colours, options.dither);
    QImage image(reduced.width, reduced.height, QImage::Format_Indexed8);
    image.setColorTable(reduced.palette);
    for (int y = 0; y < reduced.height; ++y)
        std::copy_n(&reduced.indices[size_t(y) * reduced.width], reduced.width, image.scanLine(y));
    return image;
}

// BMP, PNG and PPM through Qt's writers. When the file refused the bytes the writer only knows
// that it failed; the file knows why ("No space left on device").
QString WriteWithQt(const QImage& picture, const char* format, QIODevice& device) {
    QImageWriter writer(&device, format);
    if (writer.write(picture)) return QString();
    const auto* file = qobject_cast<const QFileDevice*>(&device);
    if (file && file->error() != QFileDevice::NoError) return file->errorString();
    return writer.errorString();
}

// PNG through the fast encoder where it takes the picture, else through Qt's.
QString WritePng(const QImage& picture, QIODevice& device) {
    const QImage straight = picture.format() == QImage::Format_ARGB32_Premultiplied
                                ? picture.convertToFormat(QImage::Format_ARGB32)
                                : picture;
    if (!FastPngTakes(straight)) return WriteWithQt(picture, "png", device);
    const QByteArray png = EncodeFastPng(straight);
    if (png.isEmpty()) return QStringLiteral("not enough memory to encode the picture");
    return Failed(device.write(png) == png.size(), device.errorString());
}

}  // namespace

QString WritePicture(const QImage& picture, PictureFormat format, QIODevice& device,
                     const WriteOptions& options) {
    switch (format) {
        case PictureFormat::Jpeg: {
            QString error;
            return Failed(WriteJpeg(picture, JpegQuality, device, error), error);
        }
        case PictureFormat::Gif:
            return WriteGifPicture(picture, options, device);
        case PictureFormat::Png:
            return WritePng(options.colours ? IndexedImage(picture, options) : picture, device);
        case PictureFormat::Bmp:
            return WriteWithQt(picture, "bmp", device);
        case PictureFormat::Ppm:
            return WriteWithQt(picture, "ppm", device);
    }
    return QStringLiteral("unknown picture format");
}

QString WritePicture(const QImage& picture, PictureFormat format, const QString& path,
                     const WriteOptions& options) {
    SaveFile file(path);
    if (!file.Open()) return file.Error();
    const QString error = WritePicture(picture, format, file.Device(), options);
    if (!error.isEmpty()) return error;  // the temporary file goes with `file`
    if (!file.Commit()) return file.Error();
    return {};
}
