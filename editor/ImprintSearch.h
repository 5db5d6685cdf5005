#pragma once
#include <QImage>
#include <QList>
#include <QRect>

#include "common/FoundImprints.h"

// Paints the boxes in the marker colour into `image` (32-bit, upright).
void PaintFoundBoxes(QImage& image, const QList<QRect>& boxes);
