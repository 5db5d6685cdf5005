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
class MarkingTools {
public:
    static constexpr int BoxMode = 1;
    static constexpr int PolygonMode = 0;

    explicit MarkingTools(MarkingSurface& surface) : surface_(surface) {}

    // Choosing a tool drops any pending anchor or outline; painted regions stay.
    void ChooseTool(int mode);

    void Press(Qt::MouseButton button, QPointF position);
    void Move(QPointF position);
    void Release(Qt::MouseButton button, QPointF position);
    void DoubleClick();

    int SelectMode = BoxMode;
    // Box mode: element 1 is the anchor. Polygon mode: the corners in the order clicked.
    std::vector<QPoint> PointList;
    // Index of the last valid entry of PointList; -1 = nothing pending.
    int PointLast = -1;

private:
    void Click(QPoint p);
    void SetAnchor(QPoint p);
    void CommitBox(QPoint q);
    void AddOrClose(QPoint p);
    void FinishPolygon();
    void DrawOutline();

    MarkingSurface& surface_;
};
