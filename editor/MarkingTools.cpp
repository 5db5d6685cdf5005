#include "editor/MarkingTools.h"

#include "platform/PixelDrawing.h"

void MarkingTools::ChooseTool(int mode) {
    SelectMode = mode;
    PointLast = -1;
    surface_.ClearOverlay();
}

void MarkingTools::Press(Qt::MouseButton button, QPointF position) {
    if (button == Qt::RightButton) {  // cancels in both tools, never paints
        PointLast = -1;
        surface_.ClearOverlay();
        return;
    }
    Click(pixels::RoundToPixel(position));
}

// A non-right press or a left release: anchors or commits a box, adds a corner or closes a polygon.
void MarkingTools::Click(QPoint p) {
    if (SelectMode == BoxMode) {
        if (PointLast == -1)
            SetAnchor(p);
        else
            CommitBox(p);
    } else {
        AddOrClose(p);
    }
}

void MarkingTools::Move(QPointF position) {
    surface_.ClearOverlay();
    const QPoint p = pixels::RoundToPixel(position);
    if (SelectMode == BoxMode) {
        if (PointLast == 1) surface_.OverlayBox(PointList[1], p, true);
    } else if (PointLast >= 0) {
        DrawOutline();
        surface_.OverlayLine(PointList[PointLast], p, true);
    }
}

void MarkingTools::Release(Qt::MouseButton button, QPointF position) {
    if (button != Qt::LeftButton) return;
    Click(pixels::RoundToPixel(position));
}

void MarkingTools::DoubleClick() {
    if (SelectMode == PolygonMode) FinishPolygon();
}

void MarkingTools::SetAnchor(QPoint p) {
    PointList.assign(2, QPoint(0, 0));
    PointList[1] = p;
    PointLast = 1;
}

void MarkingTools::CommitBox(QPoint q) {
    surface_.ClearOverlay();
    surface_.PaintBox(PointList[1], q);
    PointLast = -1;
}

void MarkingTools::AddOrClose(QPoint p) {
    if (PointLast >= 2) {
        // Closing: a click on the 3 x 3 pixels centred on the starting corner.
        const QPoint start = PointList[0];
        if (start.x() - 2 < p.x() && p.x() < start.x() + 2 && start.y() - 2 < p.y() &&
            p.y() < start.y() + 2) {
            FinishPolygon();
            return;
        }
    }
    ++PointLast;
    if (static_cast<int>(PointList.size()) < PointLast + 1) PointList.resize(PointLast + 1);
    PointList[PointLast] = p;
    if (PointLast >= 1) DrawOutline();
}

void MarkingTools::FinishPolygon() {
    surface_.ClearOverlay();
    // A finish with no outline under way (the last release already started none) paints nothing.
    if (PointLast >= 0)
        surface_.PaintPolygon(
            std::vector<QPoint>(PointList.begin(), PointList.begin() + PointLast + 1));
    PointLast = -1;
}

void MarkingTools::DrawOutline() {
    for (int i = 1; i <= PointLast; ++i)
        surface_.OverlayLine(PointList[i - 1], PointList[i], false);
}
