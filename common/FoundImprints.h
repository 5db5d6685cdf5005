#pragma once
#include <QImage>
#include <QList>
#include <QRect>
#include <functional>
#include <vector>

#include "detect/ImprintFinder.h"

// The date-imprint finder as the editor and brisvane-inpaint call it; tests hand in a stand-in.
using ImprintFinder = std::function<std::vector<detect::Box>(const detect::PictureView&)>;

// The boxes `find` gives on an upright picture of any format, each cut to the picture; a box
// wholly outside it is dropped.
QList<QRect> FindImprintBoxes(const QImage& upright, const ImprintFinder& find);
