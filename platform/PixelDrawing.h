#pragma once
#include <QImage>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <vector>

// Pixel-exact drawing on 32-bit images: no antialiasing, no blending. Every shape covers whole
// pixels, and a covered pixel either takes the colour (copy) or its bitwise complement (invert).
// Shapes are clipped to the image; coordinates may lie outside it.
namespace pixels {

enum class DrawMode { Copy, Invert };

// The picture pixel a pointer position falls on: rounded to the nearest integer, halves to even.
QPoint RoundToPixel(QPointF position);

// The straight segment from a to b, both end pixels included.
void DrawLine(QImage& image, QPoint a, QPoint b, QRgb colour, DrawMode mode, QPoint offset = {});
// The solid axis-aligned rectangle with opposite corners a and b, both corner pixels included.
void DrawBox(QImage& image, QPoint a, QPoint b, QRgb colour, DrawMode mode, QPoint offset = {});
// The closed polygon through `corners` (the last corner joins the first): its outline plus the
// interior by the odd-even rule, so where a self-crossing outline overlaps itself twice the
// inside stays unpainted. Fewer than three distinct corners give a dot or a line.
void FillPolygon(QImage& image, const std::vector<QPoint>& corners, QRgb colour,
                 QPoint offset = {});

// The pixels a shape may cover.
// Writes the pixels of `r` (in `coarser`'s pixels) of the half-size copy of `finer`: each the mean
// of the up to 2 x 2 pixels of `finer` below it. Both 32-bit RGB.
void Halve(const QImage& finer, QImage& coarser, QRect r);

QRect LineBounds(QPoint a, QPoint b);
QRect BoxBounds(QPoint a, QPoint b);
QRect PolygonBounds(const std::vector<QPoint>& corners);

}  // namespace pixels
