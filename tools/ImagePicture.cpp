#include "tools/ImagePicture.h"

#include <algorithm>

namespace {

QImage AsPixels32(const QImage& image) {
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32
                                                         : QImage::Format_RGB32);
}

}  // namespace

ImagePicture::ImagePicture(const QImage& image) : image_(AsPixels32(image)) {}

int ImagePicture::Width() const {
    return image_.width();
}

int ImagePicture::Height() const {
    return image_.height();
}

void ImagePicture::ReadPixels(std::uint32_t* dst) const {
    const int w = image_.width();
    for (int y = 0; y < image_.height(); ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(image_.constScanLine(y));
        std::copy_n(row, w, dst + static_cast<std::size_t>(y) * static_cast<std::size_t>(w));
    }
}

void ImagePicture::WritePixels(int x, int y, int w, int h, const std::uint32_t* src, int stride) {
    for (int row = 0; row < h; ++row) {
        auto* line = reinterpret_cast<std::uint32_t*>(image_.scanLine(y + row));
        std::copy_n(src + static_cast<std::size_t>(row) * static_cast<std::size_t>(stride), w,
                    line + x);
    }
}
