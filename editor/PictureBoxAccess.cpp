#include "editor/PictureBoxAccess.h"

#include <cstring>

int PictureBoxAccess::Width() const {
    return box_.Image().width();
}
int PictureBoxAccess::Height() const {
    return box_.Image().height();
}

void PictureBoxAccess::ReadPixels(std::uint32_t* dst) const {
    const QImage& image = box_.Image();
    const std::size_t rowBytes = std::size_t(image.width()) * 4;
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(dst + std::size_t(y) * image.width(), image.constScanLine(y), rowBytes);
}

void PictureBoxAccess::WritePixels(int x, int y, int w, int h, const std::uint32_t* src,
                                   int stride) {
    box_.WritePixels(x, y, w, h, src, stride);
}

void PictureBoxAccess::Redraw() {
    box_.RedrawWritten();
}
void PictureBoxAccess::Commit() {
    box_.Commit();
}
