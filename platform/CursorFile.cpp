#include "platform/CursorFile.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPixmap>

std::optional<QCursor> LoadCursorFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray bytes = file.readAll();
    // Header: reserved, type (1 icon, 2 cursor), count; then 16-byte entries whose bytes 4..7
    // hold the hot spot of a cursor.
    if (bytes.size() < 22) return std::nullopt;
    auto word = [&](int at) {
        return int(static_cast<unsigned char>(bytes[at])) | (int(static_cast<unsigned char>(bytes[at + 1])) << 8);
    };
    const bool isCursor = word(2) == 2;
    QImage image;
    // Qt's icon reader knows both kinds; tell it which one it is reading.
    if (!image.loadFromData(bytes, isCursor ? "CUR" : "ICO")) {
        if (!image.loadFromData(bytes)) return std::nullopt;
    }
    const int hotX = isCursor ? word(10) : -1;
    const int hotY = isCursor ? word(12) : -1;
    return QCursor(QPixmap::fromImage(image), hotX, hotY);
}
