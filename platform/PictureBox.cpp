#include "platform/PictureBox.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

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
    resize(picture_.size());
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
    update();
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
    UpdatePixels(pixels::BoxBounds(a, b));
}

void PictureBox::PaintPolygon(const std::vector<QPoint>& corners, QRgb colour) {
    if (!HasPicture()) return;
    pixels::FillPolygon(image_, corners, colour);
    UpdatePixels(pixels::PolygonBounds(corners));
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
    UpdatePixels(written_);
    written_ = QRect();
}

void PictureBox::UpdatePixels(const QRect& r) {
    update(r.intersected(rect()));
}

void PictureBox::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QRect area = event->rect();
    const QRect shown = area.intersected(image_.rect());
    if (!shown.isEmpty()) {
        QImage part = image_.copy(shown);
        DrawOverlay(part, shown.topLeft());
        painter.drawImage(shown.topLeft(), part);
    }
    // Whatever the picture does not cover shows the box's white background.
    const QRegion rest = QRegion(area).subtracted(QRegion(shown));
    for (const QRect& r : rest) painter.fillRect(r, Qt::white);
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
    Q_EMIT MousePressed(event->button(), event->position());
}

void PictureBox::mouseMoveEvent(QMouseEvent* event) {
    Q_EMIT MouseMoved(event->position());
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event) {
    Q_EMIT MouseReleased(event->button(), event->position());
}

void PictureBox::mouseDoubleClickEvent(QMouseEvent* event) {
    Q_EMIT DoubleClicked(event->button(), event->position());
}
