#pragma once
#include <QPoint>
#include <QPointF>
#include <QRgb>
#include <Qt>
#include <vector>

#include "inpaint/MarkerColor.h"

// The colour every region is painted in; a pixel is marked when it has exactly this colour.
constexpr QRgb MarkerColor = inpaint::kOpaqueMarkerPixel;

// What the region tools draw on: the picture area's overlay and persistent image.
class MarkingSurface {
public:
    virtual ~MarkingSurface() = default;
    virtual void ClearOverlay() = 0;
    // Overlay shapes; `invert` draws each covered pixel as the complement of what is below.
    virtual void OverlayBox(QPoint a, QPoint b, bool invert) = 0;
    virtual void OverlayLine(QPoint a, QPoint b, bool invert) = 0;
    // Solid MarkerColor shapes in the persistent image.
    virtual void PaintBox(QPoint a, QPoint b) = 0;
    virtual void PaintPolygon(const std::vector<QPoint>& corners) = 0;
};

// The Box and Polygon tools: turn the picture area's mouse events into painted regions.
// No region is kept as geometry: finished regions exist only as MarkerColor pixels.
//
// Box: a press or a left release sets the anchor, the next one paints the box from it.
// Polygon: presses and left releases add corners; a click on the 3 x 3 screen pixels around the
// start (once three corners exist) or a double click paints the polygon. A right press cancels
// either. Positions are picture pixels; the view scale says how big one is on screen.
class MarkingTools {
public:
    enum class Tool { Box, Polygon };

    explicit MarkingTools(MarkingSurface& surface) : surface_(surface) {}

    // Choosing a tool drops any pending anchor or outline; painted regions stay.
    void ChooseTool(Tool tool);
    Tool CurrentTool() const { return tool_; }
    // Screen pixels per picture pixel (the zoom), for the polygon's closing tolerance.
    void SetViewScale(double scale) { viewScale_ = scale; }

    void Press(Qt::MouseButton button, QPointF position);
    void Move(QPointF position);
    void Release(Qt::MouseButton button, QPointF position);
    void DoubleClick();

    // What is not painted yet: the Box tool's anchor, or the open outline's corners in the order
    // clicked; empty when nothing is pending.
    const std::vector<QPoint>& PendingPoints() const { return pending_; }

private:
    void Click(QPoint p);
    void CommitBox(QPoint q);
    void AddOrClose(QPoint p);
    bool ClosesOutline(QPoint p) const;
    void FinishPolygon();
    void DrawOutline();
    void DropPending();

    MarkingSurface& surface_;
    Tool tool_ = Tool::Box;
    double viewScale_ = 1.0;
    std::vector<QPoint> pending_;
};
