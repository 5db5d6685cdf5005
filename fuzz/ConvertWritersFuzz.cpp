// The picture writer on small pictures of any content: colour reduction, GIF, JPEG and PNG
// (true colour or indexed). Whatever is written must read back as a picture of the same size.
#include <QBuffer>
#include <QImage>

#include "fuzz/FuzzSupport.h"
#include "picture/PictureFile.h"
#include "picture/PictureWriter.h"

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
    constexpr PictureFormat kFormats[] = {PictureFormat::Gif, PictureFormat::Jpeg,
                                          PictureFormat::Png};
    // The converter's results are opaque; colours 0 and 1 keep true colours.
    const QString error =
        WritePicture(picture.convertToFormat(QImage::Format_RGB32), kFormats[writer], buffer,
                     {colours < 2 ? 0 : colours, dither});
    if (!error.isEmpty()) __builtin_trap();  // a small picture always fits every format
    if (DecodePicture(bytes).image.size() != picture.size()) __builtin_trap();
    return 0;
}
