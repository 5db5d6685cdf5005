#include "editor/MarkingTools.h"

#include <cstdlib>

#include "platform/PixelDrawing.h"

void MarkingTools::ChooseTool(Tool tool) {
    tool_ = tool;
    DropPending();
}

void MarkingTools::DropPending() {
    pending_.clear();
    surface_.ClearOverlay();
}

void MarkingTools::Press(Qt::MouseButton button, QPointF position) {
    if (button == Qt::RightButton) {  // cancels in both tools, never paints
        DropPending();
        return;
    }
    Click(pixels::RoundToPixel(position));
}

// A non-right press or a left release: anchors or commits a box, adds a corner or closes a polygon.
void MarkingTools::Click(QPoint p) {
    if (tool_ == Tool::Polygon)
        AddOrClose(p);
    else if (pending_.empty())
        pending_ = {p};  // the anchor
    else
        CommitBox(p);
}

void MarkingTools::Move(QPointF position) {
    surface_.ClearOverlay();
    if (pending_.empty()) return;
    const QPoint p = pixels::RoundToPixel(position);
    if (tool_ == Tool::Box) {
        surface_.OverlayBox(pending_.front(), p, true);
    } else {
        DrawOutline();
        surface_.OverlayLine(pending_.back(), p, true);
    }
}

void MarkingTools::Release(Qt::MouseButton button, QPointF position) {
    if (button != Qt::LeftButton) return;
    Click(pixels::RoundToPixel(position));
}

void MarkingTools::DoubleClick() {
    if (tool_ == Tool::Polygon) FinishPolygon();
}

void MarkingTools::CommitBox(QPoint q) {
    surface_.ClearOverlay();
    surface_.PaintBox(pending_.front(), q);
    pending_.clear();
}

void MarkingTools::AddOrClose(QPoint p) {
    if (ClosesOutline(p)) {
        FinishPolygon();
        return;
    }
    pending_.push_back(p);
    if (pending_.size() >= 2) DrawOutline();
}

// Once three corners exist, a click less than 2 screen pixels from the start in each direction
// (the 3 x 3 pixels centred on it at 100 %) closes the outline, at any zoom.
bool MarkingTools::ClosesOutline(QPoint p) const {
    if (pending_.size() < 3) return false;
    const QPoint start = pending_.front();
    return std::abs(p.x() - start.x()) * viewScale_ < 2 &&
           std::abs(p.y() - start.y()) * viewScale_ < 2;
}

void MarkingTools::FinishPolygon() {
    surface_.ClearOverlay();
    // A finish with no outline under way (the last release already started none) paints nothing.
    if (!pending_.empty()) surface_.PaintPolygon(pending_);
    pending_.clear();
}

void MarkingTools::DrawOutline() {
    for (std::size_t i = 1; i < pending_.size(); ++i)
        surface_.OverlayLine(pending_[i - 1], pending_[i], false);
}
