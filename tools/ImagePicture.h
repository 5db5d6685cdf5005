#pragma once
#include <QImage>

#include "inpaint/PictureAccess.h"

// A QImage as the engine's picture. The image is held as 32-bit pixels (0xAARRGGBB: byte 0 blue,
// byte 1 green, byte 2 red), with its alpha channel when it has one, so that the fourth byte
// travels with each pixel. The tool writes the image out once the run ends, so no committed
// copy is kept apart from it: that copy would cost the whole picture again at the first write.
class ImagePicture : public inpaint::PictureAccess {
public:
    explicit ImagePicture(const QImage& image);

    int Width() const override;
    int Height() const override;
    void ReadPixels(std::uint32_t* dst) const override;
    void WritePixels(int x, int y, int w, int h, const std::uint32_t* src, int stride) override;

    QImage& Image() { return image_; }
    const QImage& Image() const { return image_; }

private:
    QImage image_;
};
