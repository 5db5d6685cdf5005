#include "editor/ImprintSearch.h"

#include <algorithm>

#include "editor/MarkingTools.h"

void PaintFoundBoxes(QImage& image, const QList<QRect>& boxes) {
    for (const QRect& box : boxes) {
        const QRect inside = box.intersected(image.rect());
        for (int y = inside.top(); y <= inside.bottom(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            std::fill(line + inside.left(), line + inside.right() + 1, MarkerColor);
        }
    }
}
