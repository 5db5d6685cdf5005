#include "platform/PictureBox.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

// The engine's pixels (byte 0 blue, byte 1 green, byte 2 red) are Format_RGB32 words only on
// little-endian machines.
static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN);

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);  // the rubber band follows the pointer with no button held
}

void PictureBox::SetPicture(const QImage& picture) {
    picture_ = picture.isNull() ? QImage() : picture.convertToFormat(QImage::Format_RGB32);
    picture_.setDevicePixelRatio(1.0);
    image_ = picture_;
    overlay_.clear();
    written_ = QRect();
    halved_.clear();
    stale_ = QRect();
    Remap();
}

void PictureBox::SetZoom(double zoom) {
    if (zoom <= 0 || zoom == zoom_) return;
    zoom_ = zoom;
    Remap();
}

void PictureBox::Remap() {
    mapping_ = ViewMapping::Zoomed(image_.size(), zoom_);
    resize(image_.isNull() ? QSize(0, 0) : mapping_.View());
    update();
    Q_EMIT PictureReplaced();
}

void PictureBox::Commit() {
    picture_ = image_;
    Q_EMIT PictureReplaced();
}

void PictureBox::RestoreImage(const QImage& image) {
    if (image.size() != image_.size()) return;
    image_ = image;
    written_ = QRect();
    ImageChanged(image_.rect());
}

void PictureBox::ClearOverlay() {
    for (const OverlayShape& s : overlay_) UpdatePixels(pixels::BoxBounds(s.a, s.b));
    overlay_.clear();
}

void PictureBox::OverlayLine(QPoint a, QPoint b, QRgb colour, pixels::DrawMode mode) {
    overlay_.push_back({OverlayShape::Kind::Line, a, b, colour, mode});
    UpdatePixels(pixels::LineBounds(a, b));
}

void PictureBox::OverlayBox(QPoint a, QPoint b, QRgb colour, pixels::DrawMode mode) {
    overlay_.push_back({OverlayShape::Kind::Box, a, b, colour, mode});
    UpdatePixels(pixels::BoxBounds(a, b));
}

void PictureBox::DrawOverlay(QImage& part, QPoint offset) const {
    for (const OverlayShape& s : overlay_) {
        if (s.kind == OverlayShape::Kind::Line)
            pixels::DrawLine(part, s.a, s.b, s.colour, s.mode, offset);
        else
            pixels::DrawBox(part, s.a, s.b, s.colour, s.mode, offset);
    }
}

QImage PictureBox::Composed() const {
    QImage out = image_.copy();
    DrawOverlay(out, QPoint());
    return out;
}

void PictureBox::PaintBox(QPoint a, QPoint b, QRgb colour) {
    if (!HasPicture()) return;
    pixels::DrawBox(image_, a, b, colour, pixels::DrawMode::Copy);
    ImageChanged(pixels::BoxBounds(a, b));
}

void PictureBox::PaintPolygon(const std::vector<QPoint>& corners, QRgb colour) {
    if (!HasPicture()) return;
    pixels::FillPolygon(image_, corners, colour);
    ImageChanged(pixels::PolygonBounds(corners));
}

void PictureBox::WritePixels(int x, int y, int w, int h, const std::uint32_t* src, int stride) {
    const QRect r = QRect(x, y, w, h).intersected(image_.rect());
    if (r.isEmpty()) return;
    // Writers may hand over the whole picture after every step: only the pixels that really
    // change are marked for the next redraw.
    for (int row = r.top(); row <= r.bottom(); ++row) {
        auto* dst = reinterpret_cast<std::uint32_t*>(image_.scanLine(row)) + r.left();
        const std::uint32_t* from = src + std::size_t(row - y) * stride + (r.left() - x);
        int first = -1, last = -1;
        for (int i = 0; i < r.width(); ++i) {
            // Format_RGB32 keeps the top byte at 0xFF; the colour bytes are the engine's layout.
            const std::uint32_t value = 0xFF000000u | from[i];
            if (dst[i] == value) continue;
            dst[i] = value;
            if (first < 0) first = i;
            last = i;
        }
        if (first >= 0)
            written_ = written_.united(QRect(r.left() + first, row, last - first + 1, 1));
    }
}

void PictureBox::RedrawWritten() {
    if (written_.isEmpty()) return;
    ImageChanged(written_);
    written_ = QRect();
}

// Picture pixels to repaint.
void PictureBox::UpdatePixels(const QRect& r) {
    update(RepaintArea(r));
}

// Below 100 % a view pixel blends the halved copy's pixels around it: every view pixel that may
// have blended a changed one is repainted.
QRect PictureBox::RepaintArea(const QRect& changed) const {
    const int m = zoom_ < 1 ? int(std::ceil(2 / zoom_)) : 0;
    const QRect grown = changed.adjusted(-m, -m, m, m).intersected(image_.rect());
    return mapping_.ViewOf(grown).intersected(rect());
}

void PictureBox::ImageChanged(const QRect& r) {
    stale_ = stale_.united(r.intersected(image_.rect()));
    UpdatePixels(r);
}

void PictureBox::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QRect area = event->rect();
    const QRect shown = area.intersected(QRect(QPoint(), image_.isNull() ? QSize() : size()));
    if (!shown.isEmpty()) {
        if (mapping_.IsIdentity()) {
            QImage part = image_.copy(shown);
            DrawOverlay(part, shown.topLeft());
            painter.drawImage(shown.topLeft(), part);
        } else {
            painter.drawImage(shown.topLeft(),
                              zoom_ > 1 ? EnlargedPart(shown) : ReducedPart(shown));
        }
    }
    // Whatever the picture does not cover shows the box's white background.
    const QRegion rest = QRegion(area).subtracted(QRegion(shown));
    for (const QRect& r : rest) painter.fillRect(r, Qt::white);
}

// Above 100 %: each view pixel shows the picture pixel under its centre, the one a click there
// marks; the overlay is drawn on the picture first, so its lines are as thick as a pixel.
QImage PictureBox::EnlargedPart(const QRect& area) const {
    const QRect source = mapping_.PictureUnder(area).intersected(image_.rect());
    QImage picture = image_.copy(source);
    DrawOverlay(picture, source.topLeft());
    std::vector<int> column(std::size_t(area.width()));
    for (int x = 0; x < area.width(); ++x)
        column[std::size_t(x)] =
            mapping_.ToPicture(QPointF(area.left() + x + 0.5, 0)).x() - source.left();
    QImage part(area.size(), QImage::Format_RGB32);
    for (int y = 0; y < area.height(); ++y) {
        const int row = mapping_.ToPicture(QPointF(0, area.top() + y + 0.5)).y() - source.top();
        const auto* from = reinterpret_cast<const QRgb*>(picture.constScanLine(row));
        auto* to = reinterpret_cast<QRgb*>(part.scanLine(y));
        for (int x = 0; x < area.width(); ++x) to[x] = from[column[std::size_t(x)]];
    }
    return part;
}

// Below 100 %: the area smoothed from the halved copy just larger than the view, so that a
// frame never scales the whole photo; the overlay is drawn after, one view pixel thick.
QImage PictureBox::ReducedPart(const QRect& area) {
    int level = 0;
    while (zoom_ * 2 <= std::ldexp(1.0, -level)) ++level;
    const QImage& copy = HalvedCopy(level);
    const double sx = double(copy.width()) / width(), sy = double(copy.height()) / height();
    QImage part(area.size(), QImage::Format_RGB32);
    QPainter painter(&part);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(
        QRectF(0, 0, area.width(), area.height()), copy,
        QRectF(area.left() * sx, area.top() * sy, area.width() * sx, area.height() * sy));
    painter.end();
    DrawOverlayInView(part, area.topLeft());
    return part;
}

// Level 0 is the image; level k + 1 halves level k, each pixel the mean of the 2 x 2 below it.
const QImage& PictureBox::HalvedCopy(int level) {
    if (level == 0) return image_;
    if (!stale_.isEmpty()) {  // bring what exists up to date, coarser levels from finer ones
        QRect r = stale_;
        for (std::size_t k = 1; k <= halved_.size(); ++k) {
            r = QRect(QPoint(r.left() / 2, r.top() / 2), QPoint(r.right() / 2, r.bottom() / 2));
            pixels::Halve(k == 1 ? image_ : halved_[k - 2], halved_[k - 1], r);
        }
        stale_ = QRect();
    }
    while (int(halved_.size()) < level) {
        const QImage& finer = halved_.empty() ? image_ : halved_.back();
        QImage coarser((finer.width() + 1) / 2, (finer.height() + 1) / 2, QImage::Format_RGB32);
        pixels::Halve(finer, coarser, coarser.rect());
        halved_.push_back(std::move(coarser));
    }
    return halved_[std::size_t(level) - 1];
}

void PictureBox::DrawOverlayInView(QImage& part, QPoint offset) const {
    auto at = [this](QPoint p) { return mapping_.ToView(QPointF(p)).toPoint(); };
    for (const OverlayShape& s : overlay_) {
        if (s.kind == OverlayShape::Kind::Line)
            pixels::DrawLine(part, at(s.a), at(s.b), s.colour, s.mode, offset);
        else
            pixels::DrawBox(part, at(s.a), at(s.b), s.colour, s.mode, offset);
    }
}

QPointF PictureBox::PicturePosition(QPointF boxPosition) const {
    if (mapping_.IsIdentity()) return boxPosition;
    return QPointF(mapping_.ToPicture(boxPosition + QPointF(0.5, 0.5)));
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
    Q_EMIT MousePressed(event->button(), PicturePosition(event->position()));
}

void PictureBox::mouseMoveEvent(QMouseEvent* event) {
    Q_EMIT MouseMoved(PicturePosition(event->position()));
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event) {
    Q_EMIT MouseReleased(event->button(), PicturePosition(event->position()));
}

void PictureBox::mouseDoubleClickEvent(QMouseEvent* event) {
    Q_EMIT DoubleClicked(event->button(), PicturePosition(event->position()));
}
