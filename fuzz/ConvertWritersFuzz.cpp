// brisvane-convert's writers on small pictures of any content: colour reduction, GIF, JPEG and
// PNG. Whatever is written must read back as a picture of the same size.
#include <QBuffer>
#include <QImage>
#include <QImageWriter>

#include "fuzz/FuzzSupport.h"
#include "picture/GifFile.h"
#include "picture/JpegFile.h"
#include "picture/Palette.h"
#include "picture/PictureFile.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::StartApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 5) return 0;
    const int width = 1 + data[0] % 48, height = 1 + data[1] % 48;
    const int colours = data[2];  // 0, 1: true colours or too few; reduction takes 2..256
    const bool dither = data[3] & 1;
    const int writer = (data[3] >> 1) % 3;
    const bool alpha = data[3] & 8;
    data += 4;
    size -= 4;
    QImage picture(width, height, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::size_t i = (std::size_t(y) * width + x) * 3;
            picture.setPixel(x, y,
                             qRgba(data[i % size], data[(i + 1) % size], data[(i + 2) % size],
                                   alpha ? data[(i + 3) % size] : 255));
        }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QString error;
    bool written = false;
    if (writer == 0) {
        written =
            WriteGif(ReduceColours(picture, colours < 2 ? 256 : colours, dither), buffer, error);
    } else if (writer == 1) {
        written = WriteJpeg(picture, 95, buffer, error);
    } else {
        QImageWriter png(&buffer, "png");
        written = png.write(picture.convertToFormat(QImage::Format_RGB32));
    }
    if (!written) __builtin_trap();  // a small picture always fits every format
    if (DecodePicture(bytes).image.size() != picture.size()) __builtin_trap();
    return 0;
}
