#pragma once
#include <QImage>
#include <QRect>
#include <QWidget>
#include <cstdint>
#include <vector>

#include "platform/PixelDrawing.h"
#include "platform/ViewMapping.h"

// A picture box in three layers:
//  - the picture: as loaded, pasted or committed (what an undo copy takes);
//  - the persistent image: the picture plus everything painted into it since (what the engine
//    reads and writes, what is copied and saved), 32-bit RGB;
//  - the transient overlay: rubber bands and unfinished outlines, drawn over the persistent
//    image on screen only.
// At zoom 1 one picture pixel is one logical pixel, on any screen density; the box is then the
// picture's size. At other zooms the box is the zoomed picture's size (see ViewMapping): below 1
// it shows a smoothed copy, above 1 each picture pixel as a sharp square. Mouse events are handed
// on as signals with positions in picture pixels: at zoom 1 as they come (fractions possible on
// scaled screens), at other zooms the pixel under the pointer.
class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    // Replaces picture and persistent image (dropping every mark) and takes the picture's size
    // at the current zoom. A null image empties the box.
    void SetPicture(const QImage& picture);
    bool HasPicture() const { return !image_.isNull(); }
    const QImage& Picture() const { return picture_; }
    const QImage& Image() const { return image_; }
    // The persistent image becomes the picture.
    void Commit();
    // Puts back a persistent image taken earlier (same size); the picture stays.
    void RestoreImage(const QImage& image);

    // The zoom (1 = 100 %); the box takes the zoomed picture's size.
    void SetZoom(double zoom);
    double Zoom() const { return zoom_; }
    const ViewMapping& Mapping() const { return mapping_; }
    // The position in picture pixels the mouse signals give for a position on the box.
    QPointF PicturePosition(QPointF boxPosition) const;

    // The overlay: a list of shapes drawn over the persistent image, in order.
    void ClearOverlay();
    void OverlayLine(QPoint a, QPoint b, QRgb colour, pixels::DrawMode mode);
    void OverlayBox(QPoint a, QPoint b, QRgb colour, pixels::DrawMode mode);
    bool OverlayEmpty() const { return overlay_.empty(); }
    // The persistent image with the overlay on top: what the screen shows.
    QImage Composed() const;

    // Painting into the persistent image, in copy mode.
    void PaintBox(QPoint a, QPoint b, QRgb colour);
    void PaintPolygon(const std::vector<QPoint>& corners, QRgb colour);

    // Writes a rectangle of pixels (engine layout: 32-bit, blue in byte 0) into the persistent
    // image; shown at the next Redraw.
    void WritePixels(int x, int y, int w, int h, const std::uint32_t* src, int stride);
    // Repaints what was written since the last redraw.
    void RedrawWritten();
    // The part of the box repainted when these picture pixels change.
    QRect RepaintArea(const QRect& changed) const;

Q_SIGNALS:
    // The picture was replaced (SetPicture) or the persistent image became it (Commit).
    void PictureReplaced();
    void MousePressed(Qt::MouseButton button, QPointF position);
    void MouseMoved(QPointF position);
    void MouseReleased(Qt::MouseButton button, QPointF position);
    void DoubleClicked(Qt::MouseButton button, QPointF position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // Only the double click itself: the press before it has already been handed on.
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    struct OverlayShape {
        enum class Kind { Line, Box } kind;
        QPoint a, b;
        QRgb colour;
        pixels::DrawMode mode;
    };
    void DrawOverlay(QImage& part, QPoint offset) const;
    void DrawOverlayInView(QImage& part, QPoint offset) const;
    void UpdatePixels(const QRect& r);
    void ImageChanged(const QRect& r);
    void Remap();
    QImage EnlargedPart(const QRect& area) const;
    QImage ReducedPart(const QRect& area);
    const QImage& HalvedCopy(int level);

    QImage picture_;
    QImage image_;
    std::vector<OverlayShape> overlay_;
    QRect written_;
    double zoom_ = 1.0;
    ViewMapping mapping_;
    // Copies of the persistent image halved again and again, made when a zoom below 1 first
    // needs them; `stale_` is what changed in the image since they were brought up to date.
    std::vector<QImage> halved_;
    QRect stale_;
};
