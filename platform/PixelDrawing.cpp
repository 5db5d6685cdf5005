#include "platform/PixelDrawing.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace pixels {
namespace {

// Writes one pixel given in picture coordinates; pixels outside the image are skipped.
inline void Plot(QImage& image, int x, int y, QRgb colour, DrawMode mode, QPoint offset) {
    x -= offset.x();
    y -= offset.y();
    if (x < 0 || y < 0 || x >= image.width() || y >= image.height()) return;
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    line[x] = mode == DrawMode::Copy ? (0xFF000000u | colour) : (line[x] ^ 0x00FFFFFFu);
}

// Pixels x0..x1 of row y, clipped.
void Span(QImage& image, int x0, int x1, int y, QRgb colour, DrawMode mode, QPoint offset) {
    const int row = y - offset.y();
    if (row < 0 || row >= image.height()) return;
    const int from = std::max(x0 - offset.x(), 0);
    const int to = std::min(x1 - offset.x(), image.width() - 1);
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(row));
    for (int x = from; x <= to; ++x)
        line[x] = mode == DrawMode::Copy ? (0xFF000000u | colour) : (line[x] ^ 0x00FFFFFFu);
}

}  // namespace

QPoint RoundToPixel(QPointF position) {
    // nearbyint rounds in the current mode, which is to-nearest, halves to even.
    return {static_cast<int>(std::nearbyint(position.x())),
            static_cast<int>(std::nearbyint(position.y()))};
}

void DrawLine(QImage& image, QPoint a, QPoint b, QRgb colour, DrawMode mode, QPoint offset) {
    // Bresenham: every pixel of the segment exactly once, so an inverted line is undone by
    // drawing it again.
    int x = a.x(), y = a.y();
    const int dx = std::abs(b.x() - x), sx = x < b.x() ? 1 : -1;
    const int dy = -std::abs(b.y() - y), sy = y < b.y() ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        Plot(image, x, y, colour, mode, offset);
        if (x == b.x() && y == b.y()) break;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

void DrawBox(QImage& image, QPoint a, QPoint b, QRgb colour, DrawMode mode, QPoint offset) {
    const QRect r = BoxBounds(a, b);
    for (int y = r.top(); y <= r.bottom(); ++y)
        Span(image, r.left(), r.right(), y, colour, mode, offset);
}

void FillPolygon(QImage& image, const std::vector<QPoint>& corners, QRgb colour, QPoint offset) {
    if (corners.empty()) return;
    const std::size_t n = corners.size();
    // Interior: each pixel row is a scan line through the pixel centres (corners are pixel
    // centres). An edge counts on the rows y0 <= y < y1, so a corner shared by two edges is
    // counted once where the outline passes through it and twice where it turns back.
    const QRect bounds = PolygonBounds(corners);
    const int firstRow = std::max(bounds.top(), offset.y());
    const int lastRow = std::min(bounds.bottom(), offset.y() + image.height() - 1);
    std::vector<double> crossings;
    for (int y = firstRow; y <= lastRow; ++y) {
        crossings.clear();
        for (std::size_t i = 0; i < n; ++i) {
            QPoint p = corners[i], q = corners[(i + 1) % n];
            if (p.y() == q.y()) continue;
            if (p.y() > q.y()) std::swap(p, q);
            if (y < p.y() || y >= q.y()) continue;
            crossings.push_back(p.x() + double(y - p.y()) * (q.x() - p.x()) / (q.y() - p.y()));
        }
        std::sort(crossings.begin(), crossings.end());
        for (std::size_t k = 0; k + 1 < crossings.size(); k += 2) {
            const int from = static_cast<int>(std::ceil(crossings[k]));
            const int to = static_cast<int>(std::floor(crossings[k + 1]));
            if (from <= to) Span(image, from, to, y, colour, DrawMode::Copy, offset);
        }
    }
    // Outline, including the closing edge back to the first corner.
    for (std::size_t i = 0; i < n; ++i)
        DrawLine(image, corners[i], corners[(i + 1) % n], colour, DrawMode::Copy, offset);
}

QRect LineBounds(QPoint a, QPoint b) {
    return BoxBounds(a, b);
}

QRect BoxBounds(QPoint a, QPoint b) {
    return QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                 QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
}

QRect PolygonBounds(const std::vector<QPoint>& corners) {
    if (corners.empty()) return {};
    QRect r(corners.front(), corners.front());
    for (const QPoint& p : corners) r = r.united(QRect(p, p));
    return r;
}

void Halve(const QImage& finer, QImage& coarser, QRect r) {
    r = r.intersected(coarser.rect());
    const int fw = finer.width(), fh = finer.height();
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const auto* top = reinterpret_cast<const QRgb*>(finer.constScanLine(2 * y));
        const auto* bottom =
            reinterpret_cast<const QRgb*>(finer.constScanLine(std::min(2 * y + 1, fh - 1)));
        auto* out = reinterpret_cast<QRgb*>(coarser.scanLine(y));
        for (int x = r.left(); x <= r.right(); ++x) {
            const int a = 2 * x, b = std::min(2 * x + 1, fw - 1);
            const QRgb p[4] = {top[a], top[b], bottom[a], bottom[b]};
            int red = 2, green = 2, blue = 2;  // rounded to nearest
            for (QRgb q : p) {
                red += qRed(q);
                green += qGreen(q);
                blue += qBlue(q);
            }
            out[x] = qRgb(red / 4, green / 4, blue / 4);
        }
    }
}

}  // namespace pixels
