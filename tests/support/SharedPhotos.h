#pragma once
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRect>
#include <QString>

// The real photos shared beside the source tree (clean, stamped, and each imprint's box in a
// JSON file). They are part of the test set-up: a test that needs one fails, naming the path,
// when it is missing, rather than passing without having run.
namespace SharedPhotos {

inline QString Path(const QString& name) {
    return qEnvironmentVariable("BRISVANE_PHOTOS") + QLatin1Char('/') + name;
}

// Empty when the photo is there; otherwise what to tell.
inline QString Missing(const QString& name) {
    const QString path = Path(name);
    if (QFileInfo(path).isFile()) return {};
    return QStringLiteral(
               "the shared photo %1 is missing: the tests need the photo folder "
               "../shared/photos beside the source tree (BRISVANE_PHOTOS)")
        .arg(path);
}

// The imprint's box of NAME (from NAME.json, corners exclusive there); empty when unreadable.
inline QRect StampBox(const QString& name) {
    QFile json(Path(name + QStringLiteral(".json")));
    if (!json.open(QIODevice::ReadOnly)) return {};
    const QJsonArray b = QJsonDocument::fromJson(json.readAll())
                             .object()
                             .value(QStringLiteral("stamp_box_x0_y0_x1_y1_exclusive"))
                             .toArray();
    return QRect(QPoint(b[0].toInt(), b[1].toInt()), QPoint(b[2].toInt() - 1, b[3].toInt() - 1));
}

}  // namespace SharedPhotos

// Fails the test, naming the path, when a shared photo is missing.
#define REQUIRE_SHARED_PHOTO(name)                            \
    do {                                                      \
        const QString missing_ = SharedPhotos::Missing(name); \
        if (!missing_.isEmpty()) QFAIL(qPrintable(missing_)); \
    } while (false)
