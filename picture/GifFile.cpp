#include "picture/GifFile.h"

#include <gif_lib.h>

namespace {

int WriteToDevice(GifFileType* gif, const GifByteType* bytes, int length) {
    auto* device = static_cast<QIODevice*>(gif->UserData);
    return static_cast<int>(device->write(reinterpret_cast<const char*>(bytes), length));
}

QString GifErrorText(int code) {
    const char* text = GifErrorString(code);
    return text ? QString::fromLatin1(text) : QStringLiteral("GIF error %1").arg(code);
}

// The colour table size must be a power of two from 2 to 256.
int TableSize(int colours) {
    int size = 2;
    while (size < colours) size *= 2;
    return size;
}

int BitsFor(int tableSize) {
    int bits = 1;
    while ((1 << bits) < tableSize) ++bits;
    return bits;
}

}  // namespace

bool WriteGif(const IndexedPicture& picture, QIODevice& device, QString& error) {
    int code = 0;
    GifFileType* gif = EGifOpen(&device, WriteToDevice, &code);
    if (!gif) {
        error = GifErrorText(code);
        return false;
    }
    const int tableSize = TableSize(static_cast<int>(picture.palette.size()));
    ColorMapObject* map = GifMakeMapObject(tableSize, nullptr);
    if (!map) {
        EGifCloseFile(gif, &code);
        error = QStringLiteral("out of memory");
        return false;
    }
    for (int i = 0; i < tableSize; ++i) {
        const QRgb c = i < picture.palette.size() ? picture.palette[i] : 0;
        map->Colors[i] =
            GifColorType{static_cast<GifByteType>(qRed(c)), static_cast<GifByteType>(qGreen(c)),
                         static_cast<GifByteType>(qBlue(c))};
    }
    bool ok = EGifPutScreenDesc(gif, picture.width, picture.height, BitsFor(tableSize), 0, map) ==
                  GIF_OK &&
              EGifPutImageDesc(gif, 0, 0, picture.width, picture.height, false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < picture.height; ++y) {
        auto* line = const_cast<GifPixelType*>(&picture.indices[size_t(y) * picture.width]);
        ok = EGifPutLine(gif, line, picture.width) == GIF_OK;
    }
    if (!ok) error = GifErrorText(gif->Error);
    GifFreeMapObject(map);
    if (EGifCloseFile(gif, &code) != GIF_OK && ok) {
        error = GifErrorText(code);
        ok = false;
    }
    return ok;
}
