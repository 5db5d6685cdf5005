#pragma once
#include <QImage>
#include <QList>
#include <QRect>
#include <QString>
#include <functional>
#include <vector>

#include "detect/ImprintFinder.h"

// brisvane-inpaint --find and --auto: the date imprints found on a photo, as boxes of its upright
// picture.
namespace tool {

// The finder the program uses (tests hand in a stand-in).
using Finder = std::function<std::vector<detect::Box>(const detect::PictureView&)>;

// The boxes `find` gives on an upright picture of any format, each cut to the picture; a box
// wholly outside it is dropped.
QList<QRect> FoundBoxes(const QImage& upright, const Finder& find);

// What --find prints: one line "X,Y,W,H" per box, in the form --box takes, or "none".
QStringList FindLines(const QList<QRect>& boxes);

}  // namespace tool
