#include "editor/FullSizePicture.h"

#include <cstring>
#include <vector>

#include "inpaint/MarkerColor.h"
#include "platform/PictureBox.h"

FullSizePicture::FullSizePicture(const QImage& full, QSize view)
    : mapping_(full.size(), view),
      committed_(full.convertToFormat(QImage::Format_RGB32)),
      working_(committed_) {}

QImage FullSizePicture::WithMarks(const QImage& viewImage, const QImage& viewPicture) const {
    QImage out = working_;
    if (viewImage.size() != mapping_.View() || viewPicture.size() != viewImage.size()) return out;
    for (int y = 0; y < viewImage.height(); ++y) {
        const auto* now = reinterpret_cast<const QRgb*>(viewImage.constScanLine(y));
        const auto* was = reinterpret_cast<const QRgb*>(viewPicture.constScanLine(y));
        for (int x = 0; x < viewImage.width(); ++x) {
            if (now[x] != inpaint::kOpaqueMarkerPixel || was[x] == now[x]) continue;
            const QRect under = mapping_.PictureUnder(QRect(x, y, 1, 1));
            for (int fy = under.top(); fy <= under.bottom(); ++fy) {
                auto* row = reinterpret_cast<QRgb*>(out.scanLine(fy));
                std::fill(row + under.left(), row + under.right() + 1, inpaint::kOpaqueMarkerPixel);
            }
        }
    }
    return out;
}

QImage FullSizePicture::Reduced(const QImage& full) const {
    return full.scaled(mapping_.View(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

void ReducedViewAccess::ReadPixels(std::uint32_t* dst) const {
    const std::size_t rowBytes = std::size_t(full_.width()) * 4;
    for (int y = 0; y < full_.height(); ++y)
        std::memcpy(dst + std::size_t(y) * full_.width(), full_.constScanLine(y), rowBytes);
}

void ReducedViewAccess::WritePixels(int x, int y, int w, int h, const std::uint32_t* src,
                                    int stride) {
    const QRect r = QRect(x, y, w, h).intersected(full_.rect());
    for (int row = r.top(); row <= r.bottom(); ++row) {
        auto* to = reinterpret_cast<std::uint32_t*>(full_.scanLine(row)) + r.left();
        const std::uint32_t* from = src + std::size_t(row - y) * stride + (r.left() - x);
        for (int i = 0; i < r.width(); ++i) to[i] = 0xFF000000u | from[i];
    }
    written_ = written_.united(r);
}

void ReducedViewAccess::Redraw() {
    if (written_.isEmpty()) return;
    ShowReduced(written_);
    written_ = QRect();
    view_.RedrawWritten();
}

// The view pixels over `fullRect`, each reduced from the full-size pixels around it.
void ReducedViewAccess::ShowReduced(const QRect& fullRect) {
    const ViewMapping& m = picture_.Mapping();
    const QRect viewRect = m.ViewOf(fullRect).intersected(QRect(QPoint(), m.View()));
    if (viewRect.isEmpty()) return;
    const QRect source = m.PictureUnder(viewRect);
    const QRect sourceView = m.ViewOf(source);
    const QImage part =
        full_.copy(source)
            .scaled(sourceView.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
            .convertToFormat(QImage::Format_RGB32);
    const QPoint at = viewRect.topLeft() - sourceView.topLeft();
    std::vector<std::uint32_t> pixels(std::size_t(viewRect.width()) * viewRect.height());
    for (int y = 0; y < viewRect.height(); ++y)
        std::memcpy(pixels.data() + std::size_t(y) * viewRect.width(),
                    part.constScanLine(at.y() + y) + std::size_t(at.x()) * 4,
                    std::size_t(viewRect.width()) * 4);
    view_.WritePixels(viewRect.x(), viewRect.y(), viewRect.width(), viewRect.height(),
                      pixels.data(), viewRect.width());
}

void ReducedViewAccess::Commit() {
    const QImage reduced = picture_.Reduced(full_).convertToFormat(QImage::Format_RGB32);
    view_.WritePixels(0, 0, reduced.width(), reduced.height(),
                      reinterpret_cast<const std::uint32_t*>(reduced.constBits()),
                      int(reduced.bytesPerLine() / 4));
    view_.RedrawWritten();
    view_.Commit();
    written_ = QRect();
    committed_ = true;
}
