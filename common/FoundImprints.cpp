#include "common/FoundImprints.h"

#include <algorithm>
#include <cstdint>

namespace {

// The finder reads 0xAARRGGBB pixels; grey, palette, 16-bit and premultiplied pictures are
// converted first.
QImage As32Bit(const QImage& image) {
    if (image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32)
        return image;
    return image.convertToFormat(QImage::Format_RGB32);
}

// The part of a found box inside a picture of `size`, worked out in 64 bits: a finder's box may
// reach past the picture or be empty.
QRect Inside(const detect::Box& box, QSize size) {
    const qint64 left = std::max<qint64>(box.x, 0);
    const qint64 top = std::max<qint64>(box.y, 0);
    const qint64 right = std::min<qint64>(qint64(box.x) + box.width, size.width());
    const qint64 bottom = std::min<qint64>(qint64(box.y) + box.height, size.height());
    if (right <= left || bottom <= top) return {};
    return QRect(int(left), int(top), int(right - left), int(bottom - top));
}

}  // namespace

QList<QRect> FindImprintBoxes(const QImage& upright, const ImprintFinder& find) {
    QList<QRect> boxes;
    if (upright.isNull() || !find) return boxes;
    const QImage pixels = As32Bit(upright);
    const detect::PictureView view{pixels.width(), pixels.height(),
                                   reinterpret_cast<const std::uint32_t*>(pixels.constBits()),
                                   pixels.bytesPerLine() / 4};
    for (const detect::Box& box : find(view)) {
        const QRect inside = Inside(box, pixels.size());
        if (!inside.isEmpty()) boxes.append(inside);
    }
    return boxes;
}
