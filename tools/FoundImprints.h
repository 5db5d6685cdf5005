#pragma once
#include <QList>
#include <QRect>
#include <QStringList>

// brisvane-inpaint --find and --auto: the date imprints found on a photo, as boxes of its upright
// picture.
namespace tool {

// What --find prints: one line "X,Y,W,H" per box, in the form --box takes, or "none".
QStringList FindLines(const QList<QRect>& boxes);

}  // namespace tool
