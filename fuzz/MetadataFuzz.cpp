// The metadata path of a save, on any source file: exiv2 reading what it can, the metadata
// brought up to date and written into a JPEG and a PNG's chunks, and, when the file is a small
// picture, the whole save with it as the source (kept blocks included). Nothing may fail, and
// whatever is written must read back as a picture of the right size.
#include <QBuffer>
#include <QImage>

#include "fuzz/FuzzSupport.h"
#include "picture/JpegFile.h"
#include "picture/Metadata.h"
#include "picture/PictureFile.h"
#include "picture/PictureWriter.h"

namespace {

QImage Picture() {
    QImage picture(24, 16, QImage::Format_RGB32);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 24; ++x) picture.setPixel(x, y, qRgb(x * 10, y * 15, 90));
    return picture;
}

void MustRead(const QByteArray& file, QSize size) {
    const PictureRead read = DecodePicture(file, 4'000'000);
    if (read.image.isNull()) __builtin_trap();
    const QSize upright = read.image.size();
    if (upright != size && upright.transposed() != size) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::StartApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray source = fuzz::Bytes(data, size);
    static const QImage picture = Picture();
    static const QByteArray jpeg = [] {
        QString error;
        return EncodeJpeg(Picture(), JpegEncoding{}, error);
    }();

    const PhotoMetadata metadata = PhotoMetadata::Read(source);
    metadata.Orientation();
    for (const bool keep : {false, true}) {
        MustRead(WithMetadata(jpeg, metadata, {picture, keep}), picture.size());
        ExifBlock(metadata, {picture, keep});
        XmpPacket(metadata, {picture, keep});
    }

    // A small picture: saved with itself as the source, unchanged and with a corner painted.
    const PictureRead read = DecodePicture(source, 250'000);
    if (read.image.isNull()) return 0;
    QImage edited = read.image.convertToFormat(QImage::Format_RGB32);
    for (const bool paint : {false, true}) {
        if (paint)
            for (int y = 0; y < qMin(9, edited.height()); ++y)
                for (int x = 0; x < qMin(9, edited.width()); ++x)
                    edited.setPixel(x, y, qRgb(0, 255, 0));
        for (const PictureFormat format : {PictureFormat::Jpeg, PictureFormat::Png}) {
            QByteArray out;
            QBuffer buffer(&out);
            buffer.open(QIODevice::WriteOnly);
            if (!WritePicture(edited, format, buffer, {}, WriteSource{{}, source}).isEmpty())
                __builtin_trap();
            MustRead(out, edited.size());
        }
    }
    return 0;
}
