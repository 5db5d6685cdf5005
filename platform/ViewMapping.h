#pragma once
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QSize>

// Maps a picture's pixels to the view pixels that show it scaled, and back. Each axis scales by
// its own whole-number ratio, view size over picture size, so every answer is exact: view pixel v
// shows the picture span [v * P / V, (v + 1) * P / V), picture pixel p fills [p * V / P,
// (p + 1) * V / P). No widgets: the picture box, the editor and the tests share it.
class ViewMapping {
public:
    ViewMapping() = default;  // nothing shown
    ViewMapping(QSize picture, QSize view);
    // The view of `picture` at `zoom` (1 = one view pixel a picture pixel); at least 1 x 1.
    static ViewMapping Zoomed(QSize picture, double zoom);
    // The largest zoom, at most 1, at which the whole picture fits into `room`.
    static double FitZoom(QSize picture, QSize room);

    QSize Picture() const { return picture_; }
    QSize View() const { return view_; }
    bool IsIdentity() const { return picture_ == view_; }
    double ScaleX() const;  // view pixels per picture pixel
    double ScaleY() const;

    // The picture pixel under a view position (rounded down; outside the picture too).
    QPoint ToPicture(QPointF view) const;
    // Where a picture position lies in the view.
    QPointF ToView(QPointF picture) const;
    // The view pixels showing any part of these picture pixels.
    QRect ViewOf(const QRect& pictureRect) const;
    // The picture pixels shown, wholly or in part, by these view pixels: scaling a mark up with
    // this never leaves a picture pixel under it unmarked.
    QRect PictureUnder(const QRect& viewRect) const;

private:
    QSize picture_;
    QSize view_;
};
