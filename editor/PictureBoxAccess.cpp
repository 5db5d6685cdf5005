#include "editor/PictureBoxAccess.h"

#include <QScreen>
#include <cstring>

namespace {

constexpr double kUsualFramesPerSecond = 60.0;

qint64 FrameNs(const QWidget& box) {
    const QScreen* screen = box.screen();
    const double rate =
        screen && screen->refreshRate() > 1.0 ? screen->refreshRate() : kUsualFramesPerSecond;
    return static_cast<qint64>(1e9 / rate);
}

}  // namespace

PictureBoxAccess::PictureBoxAccess(PictureBox& box) : box_(box), frameNs_(FrameNs(box)) {}

PictureBoxAccess::~PictureBoxAccess() {
    box_.RedrawWritten();
}

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
    if (sinceRedraw_.isValid() && sinceRedraw_.nsecsElapsed() < frameNs_) return;
    box_.RedrawWritten();
    sinceRedraw_.start();
}

void PictureBoxAccess::Commit() {
    box_.Commit();
    sinceRedraw_.invalidate();  // the run's result is shown at once
}
