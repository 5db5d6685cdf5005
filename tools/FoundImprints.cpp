#include "tools/FoundImprints.h"

#include <QStringList>

namespace tool {

QStringList FindLines(const QList<QRect>& boxes) {
    if (boxes.isEmpty()) return {QStringLiteral("none")};
    QStringList lines;
    for (const QRect& box : boxes)
        lines << QStringLiteral("%1,%2,%3,%4")
                     .arg(box.x())
                     .arg(box.y())
                     .arg(box.width())
                     .arg(box.height());
    return lines;
}

}  // namespace tool
