#include "platform/Pointers.h"

#include <QFile>
#include <QImageReader>
#include <QPixmap>

namespace {
// A .cur file's first directory entry keeps the hotspot where icons keep planes and bit count.
std::optional<QPoint> CursorHotspot(const QByteArray& bytes) {
    if (bytes.size() < 6 + 16) return std::nullopt;
    const auto u16 = [&](int at) {
        return static_cast<int>(static_cast<unsigned char>(bytes[at]) |
                                (static_cast<unsigned char>(bytes[at + 1]) << 8));
    };
    if (u16(0) != 0 || u16(2) != 2) return std::nullopt;  // not a cursor file
    return QPoint(u16(6 + 4), u16(6 + 6));
}
}  // namespace

std::optional<QCursor> LoadPointer(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray bytes = file.readAll();
    file.close();
    QImageReader reader(path);
    const QImage image = reader.read();
    if (image.isNull()) return std::nullopt;
    const QPixmap pixmap = QPixmap::fromImage(image);
    if (const auto hot = CursorHotspot(bytes)) return QCursor(pixmap, hot->x(), hot->y());
    return QCursor(pixmap);
}
